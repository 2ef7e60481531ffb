// The receive dispatch's decisions: which road a received block takes (the proxy
// negotiation, the image-pack step, the ZModem engine, an image-pack announcement or the
// console) and what the console road does with a block (the cancel quiet period, the "rz"
// detector and the image start), where locally echoed text never reaches the side channels.
#pragma once

#include <cstddef>
#include <cstdint>

class ZModemCancelQuiet;

enum class ReceiveRoad {
    None,               // an empty block: nothing to do
    Proxy,              // the proxy negotiation takes it whole
    ImagePack,          // the image-pack step takes it whole
    ZModem,             // the engine (IDravelZModem::ProcessBytes; what it leaves is the console's)
    ImageAnnouncement,  // ESC "&Q" at the start: prepare the image pack and answer, not shown
    Console,            // ConsoleDataReceived
};

struct ReceiveState {
    bool proxyNegotiating = false;  // a proxy is set and its negotiation runs
    bool transferRunning = false;   // a ZModem transfer or an image pack runs
    bool imageData = false;         // the terminal's image-data flag
    bool showImagePack = false;     // the ShowImagePack setting
};

ReceiveRoad ChooseReceiveRoad(const ReceiveState& state, const uint8_t* block, size_t count);

// ConsoleDataReceived, before the terminal sees the block.
struct ConsoleBlockPlan {
    bool drop = false;       // swallowed by a cancel's quiet period: not shown
    bool sendAbort = false;  // answer it with the abort string
    int rzDetect = 0;        // the terminal's "rz" detector on
};
// `echoed`: the user's own text shown by local echo. It is shown even in a quiet period
// and never starts a transfer.
ConsoleBlockPlan PlanConsoleBlock(ZModemCancelQuiet& quiet, size_t length, uint32_t now,
                                  bool echoed, bool zmodemAutoDetect, bool imageAnnounceSeen);

// ConsoleDataReceived, after the terminal has seen the block.
enum class ImageStep {
    None,       // no image mode
    Ignore,     // clear the terminal's image flags: the image is not shown
    Start,      // open the viewer and answer the host
    Streaming,  // a picture streams on: the terminal's picture state goes back to what it
                // was before the block, whatever the block did to it
};
// `streaming`: an in-band picture was streaming before the block (the host's blocks go to
// the image-pack step then, so only the user's echoed text reaches the console).
ImageStep ImageStepAfterBlock(bool imageData, bool showImagePack, bool echoed, bool streaming);
