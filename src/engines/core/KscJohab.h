// KS C 5601 <-> Johab conversion: pure functions over static tables.
//
// All text inside the program is KS C 5601 in its two-byte form. Hosts that send Johab,
// and the Hangul keyboard automata (which compose in Johab), are converted here; so are
// the two symbol rows 0xAD/0xAE that some hosts use.
#pragma once

#include <cstdint>

// 2350 Johab codes of the KS C 5601 precomposed syllables, in KS C 5601 order
// (rows 0xB0-0xC8, 94 a row), which is also ascending Johab order.
extern const uint16_t JohabSyllableTable[2350];
// 51 Johab codes of the compatibility jamo of row 0xA4 (0xA4A1 ... 0xA4D3).
extern const uint16_t JohabJamoTable[51];
// The KS C 5601 code shown for a received pair in row 0xAD (trail 0xA1-0xFE) or 0xAE
// (trail 0xA1-0xC2).
extern const uint16_t KscRowADTable[94];
extern const uint16_t KscRowAETable[34];

// Placeholders: anything without a mapping in the remapped rows, and a Johab code that is
// neither a syllable nor a jamo.
constexpr uint16_t KscNoRowMapping = 0xA1E0;
constexpr uint16_t KscNoJohabMapping = 0xA2AF;
// The empty syllable (fill initial, fill medial, fill final) and what an automaton shows
// for it (the ideographic space).
constexpr uint16_t JohabEmptySyllable = 0x8441;
constexpr uint16_t KscIdeographicSpace = 0xA1A1;

// Who asks: the terminal converting a received pair, or a keyboard automaton converting
// the syllable it composes (only the automata map the empty syllable to a space).
enum class JohabSource { Terminal, Automaton };

// Johab code -> KS C 5601 code (lead byte in the high 8 bits). Never allocates.
uint16_t JohabToKscCode(uint16_t johab, JohabSource source);

// Received pair in row 0xAD or 0xAE -> KS C 5601 code; any other pair gives KscNoRowMapping.
uint16_t KscRowRemap(uint8_t lead, uint8_t trail);

// Three-way comparison of two unsigned 16-bit codes (negative, zero, positive).
int CompareCode16(uint16_t a, uint16_t b);
