#include "engines/core/ZModem.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

#include "engines/core/CrcTables.h"
#include "engines/core/ZModemNames.h"

using namespace quiro::engines;
using namespace quiro::engines::zproto;

namespace {

constexpr int Skip = -1;
constexpr int FrameEndFlag = 0x100;
constexpr uint8_t Zero4[4] = {0, 0, 0, 0};
constexpr int MaxRetries = 11;
constexpr int MaxStartRetries = 6;
constexpr uint32_t IdleSeconds = 10;
constexpr uint32_t MaxInfoBlock = 1024;
constexpr uint8_t TelnetDataMark = 0xF2;  // after the telnet command byte 0xFF

// Bytes that stand for themselves inside a subpacket: all but ZDLE, the flow-control
// characters (dropped) and, on a telnet line, 0xFF (the first of a doubled pair).
constexpr std::array<bool, 256> MakePlainTable(bool winsock)
{
    std::array<bool, 256> t{};
    for (unsigned c = 0; c < 256; ++c)
        t[c] = c != ZDLE && c != XON && c != XOFF && c != (XON | 0x80) && c != (XOFF | 0x80) &&
               !(winsock && c == 0xFF);
    return t;
}
constexpr std::array<bool, 256> PlainBytes[2] = {MakePlainTable(false), MakePlainTable(true)};

// The scans' machine word: 64 bits where the registers hold them, 32 on a 32-bit target
// (there the 64-bit arithmetic is done in halves and a 64-bit trailing-zero count is a
// library call).
using ScanWord = std::conditional_t<(sizeof(void*) >= 8), uint64_t, uint32_t>;

// The bytes of `x` that do not stand for themselves, flagged by their top bit: ZDLE, a
// flow-control character with bits 1 and 7 ignored, or (telnet) 0xFF. The lowest flagged
// byte is exact (borrows run only upwards), so it is the first special byte.
inline ScanWord SpecialBytes(ScanWord x, bool winsock)
{
    constexpr ScanWord ones = ScanWord(~ScanWord(0)) / 0xFF;
    const auto zeroBytes = [](ScanWord v) { return (v - ones) & ~v & (ones * 0x80); };
    ScanWord special = zeroBytes(x ^ (ones * ZDLE)) | zeroBytes((x & (ones * 0x7D)) ^ (ones * XON));
    if (winsock)
        special |= zeroBytes(~x);
    return special;
}

// Decodes the start of a subpacket's bytes into `out` as ProcessByte would, up to `room`
// decoded bytes: the bytes that stand for themselves (a word at a time where the byte
// order allows), the plain escapes (ZDLE and a byte of 0x40..0x5F or 0xC0..0xDF) and, on a
// telnet line, a doubled 0xFF. Stops before anything else (a frame end, a flow-control
// character, a telnet command, a ZDLE or 0xFF whose partner is not in the block). Returns
// the bytes taken; `produced` gets the bytes decoded.
size_t DecodeRun(const uint8_t* data, size_t count, uint8_t* out, size_t room, bool winsock,
                 size_t& produced)
{
    const auto& plain = PlainBytes[winsock ? 1 : 0];
    size_t i = 0, o = 0;
    while (i < count && o < room) {
        const size_t limit = std::min(count - i, room - o);
        const uint8_t* in = data + i;
        uint8_t* to = out + o;
        size_t n = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; n + sizeof(ScanWord) <= limit; n += sizeof(ScanWord)) {
                ScanWord x;
                std::memcpy(&x, in + n, sizeof x);
                // The whole word goes out (it lies within `limit`); from a special byte
                // on it is written over.
                std::memcpy(to + n, &x, sizeof x);
                if (const ScanWord special = SpecialBytes(x, winsock)) {
                    n += static_cast<size_t>(std::countr_zero(special) / 8);
                    goto stop;
                }
            }
        }
        while (n < limit && plain[in[n]]) {
            to[n] = in[n];
            ++n;
        }
    stop:
        i += n;
        o += n;
        if (o == room || i + 1 >= count)
            break;
        const uint8_t next = data[i + 1];
        if (data[i] == ZDLE && (next & 0x60) == 0x40)
            out[o++] = static_cast<uint8_t>(next ^ 0x40);
        else if (winsock && data[i] == 0xFF && next == 0xFF)
            out[o++] = 0xFF;
        else
            break;
        i += 2;
    }
    produced = o;
    return i;
}

bool IsHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
uint8_t HexValue(uint8_t c) { return static_cast<uint8_t>(c <= '9' ? c - '0' : c - 'a' + 10); }

// Reads one unsigned number in the given base after optional blanks; false when there is
// none. Values beyond 32 bits stick at 0xFFFFFFFF.
bool ReadNumber(const uint8_t*& p, const uint8_t* end, unsigned base, uint32_t& value)
{
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
        ++p;
    if (p < end && *p == '+')
        ++p;
    const uint8_t* start = p;
    uint64_t v = 0;
    while (p < end && *p >= '0' && *p < '0' + base) {
        v = v * base + (*p - '0');
        if (v > 0xFFFFFFFFu)
            v = 0xFFFFFFFFu;
        ++p;
    }
    if (p == start)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

std::string ZModemStatusText(int status, int direction, int retries)
{
    switch (status) {
    case ZModemUnknownHeader: return "Unknown Header...";
    case ZModemUnused: return "";
    case ZModemGarbledHeader: return "Garbled Header...";
    case ZModemCrcError: return "CRC Error...";
    case ZModemSkipped: return "Skipped...";
    case ZModemCancelled: return "Cancelled...";
    case ZModemSendFailed: return "Send Failed...";
    default:
        if (retries > 0)
            return "Time Out #" + std::to_string(retries);
        return direction == IDravelZModem::DirectionSend ? "Upload... OK" : "Download... OK";
    }
}

IDravelZModem::IDravelZModem() = default;

IDravelZModem::~IDravelZModem()
{
    Cleanup();
    DetachTimer();
}

void IDravelZModem::DetachTimer()
{
    if (timer_) {
        timer_->SetEnabled(false);
        timer_->SetHandler(nullptr);
    }
    timer_ = nullptr;
}

uint32_t IDravelZModem::Now()
{
    return clock_ ? clock_->NowMs() : 0;
}

bool IDravelZModem::PortOpen() const
{
    return port_ && port_->IsOpen();
}

EscapeMode IDravelZModem::Escaping() const
{
    return EscapeMode{escapeControls_ != 0, winsock_ != 0};
}

void IDravelZModem::Start(ByteChannel* port, int direction, const std::string& directory,
                          const std::string& fileName)
{
    Cleanup();
    port_ = port;
    direction_ = direction;
    directory_ = directory;
    if (!directory_.empty() && directory_.back() != '\\')
        directory_ += '\\';
    fileName_ = fileName;
    announcedName_.clear();
    queue_.clear();
    state_ = StateHeader;
    frameKind_ = 0;
    status_ = ZModemRunning;
    fileHandle_ = -1;
    fileLength_ = position_ = 0;
    startPosition_ = bytesTransferred_ = fileCount_ = 0;
    totalFiles_ = -1;
    filesRemaining_ = 1;
    retries_ = 0;
    startTick_ = 0;
    progressTick_ = Now();
    escapeControls_ = 1;
    escapeArmed_ = 0;
    padSeen_ = padBeforeZdle_ = false;
    cancelCount_ = 0;
    ffPair_ = 0;
    closingOs_ = 0;
    closingMarks_ = 0;
    imagePack_ = 0;
    attention_.clear();
    winsock_ = port && port->IsWinsock() ? 1 : 0;
    zrinitReceived_ = finishing_ = zrposPending_ = 0;
    awaitingData_ = resync_ = awaitingAck_ = false;
    checksumPhase_ = -1;
    eofSent_ = false;
    skippedFiles_ = incompleteFiles_ = 0;
    unansweredOffers_ = staleSkips_ = 0;
    zfileFlags_ = 0;
    lastHeader_.clear();
}

void IDravelZModem::QueueFile(const std::string& directory, const std::string& fileName)
{
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    queue_.emplace_back(dir, fileName);
}

int IDravelZModem::Cleanup()
{
    CloseFile();
    rxBuffer_.clear();
    rxBuffer_.shrink_to_fit();
    pendingWrite_ = 0;
    sendBuffer_.clear();
    sendBuffer_.shrink_to_fit();
    if (timer_)
        timer_->SetEnabled(false);
    return 0;
}

void IDravelZModem::CloseFile()
{
    // Whatever came in whole goes to the file, also when the transfer ends badly: a resumed
    // transfer carries on from there.
    if (pendingWrite_ > 0 && !WriteOut() &&
        (status_ == ZModemRunning || status_ == ZModemCrcError || status_ == ZModemGarbledHeader))
        status_ = ZModemWriteFailed;
    if (fileHandle_ >= 0 && files_)
        files_->Close(fileHandle_);
    fileHandle_ = -1;
}

void IDravelZModem::SetTimer(bool on)
{
    if (timer_)
        timer_->SetEnabled(on);
}

void IDravelZModem::ShowStatus()
{
    if (label_)
        label_->ShowStatusText(ZModemStatusText(status_, direction_, retries_));
}

// ---------------------------------------------------------------------------------------
// Output

bool IDravelZModem::Send(const std::vector<uint8_t>& bytes, bool closingHandshake)
{
    if (!PortOpen()) {
        // The line is gone: nothing more can happen. Only the closing handshake may be
        // lost without losing the transfer.
        if (!closingHandshake && status_ == ZModemRunning && state_ != StateFinished)
            status_ = ZModemCancelled;
        Cleanup();
        state_ = StateFinished;
        return false;
    }
    if (bytes.empty())
        return true;
    if (!port_->PutBlock(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
        Fail(ZModemSendFailed);
        return false;
    }
    return true;
}

void IDravelZModem::SendHexHeader(uint8_t type, const uint8_t data[4])
{
    std::vector<uint8_t> out;
    AppendHexHeader(out, type, data);
    // A ZNAK is never what a ZNAK asks for: two engines would trade them for ever.
    if (Send(out, type == ZFIN) && type != ZNAK)
        lastHeader_ = std::move(out);
}

void IDravelZModem::SendHexHeader(uint8_t type, uint32_t pos)
{
    uint8_t data[4];
    StorePosition(data, pos);
    SendHexHeader(type, data);
}

void IDravelZModem::SendZRPOS()
{
    // What the sender streamed before it sees this is of no use: it is ignored until the
    // sender comes back with a ZDATA header at this position.
    awaitingData_ = true;
    SendHexHeader(ZRPOS, position_);
}

void IDravelZModem::SendZNAK()
{
    SendHexHeader(ZNAK, Zero4);
}

void IDravelZModem::SendAttention()
{
    if (!attention_.empty())
        Send(attention_);
}

void IDravelZModem::SendZRINIT()
{
    uint8_t data[4] = {0, 0, 0, ReceiverCapabilities};
    SendHexHeader(ZRINIT, data);
    if (state_ != StateFinished && state_ != StateAborted)
        state_ = StateHeader;
}

void IDravelZModem::Fail(int16_t status)
{
    status_ = status;
    Abort();
    ShowStatus();
}

void IDravelZModem::Abort()
{
    // A damaged block or header that the transfer was recovering from is no failure.
    if (status_ == ZModemRunning || status_ == ZModemCrcError || status_ == ZModemGarbledHeader)
        status_ = ZModemCancelled;
    SetTimer(false);
    state_ = StateAborted;
    if (!PortOpen()) {
        Cleanup();
        state_ = StateFinished;
        return;
    }
    static const uint8_t cancel[20] = {ZDLE, ZDLE, ZDLE, ZDLE, ZDLE, ZDLE, ZDLE, ZDLE, ZDLE, ZDLE,
                                       BS, BS, BS, BS, BS, BS, BS, BS, BS, BS};
    port_->PutBlock(cancel, sizeof cancel);  // best effort: the transfer ends either way
}

void IDravelZModem::PeerCancelled()
{
    if (status_ == ZModemRunning)
        status_ = ZModemCancelled;
    SetTimer(false);
    state_ = StateAborted;
}

// ---------------------------------------------------------------------------------------
// Input

int IDravelZModem::ProcessByte(uint8_t b)
{
    if (state_ == StateFinished) {
        // The sender's closing "OO" is ours; on a telnet line so are the commands the server
        // puts before it or instead of it. A Data Mark there says the sender's side flushed
        // its line on the way out, which it does twice: an "OO" that outlives the first
        // flush comes right behind the first mark, one that does not is gone.
        if (b == 'O') {
            ++closingOs_;
        } else if (winsock_ && (b == 0xFF || ffPair_)) {
            if (ffPair_ && b == TelnetDataMark)
                ++closingMarks_;
            ffPair_ = b == 0xFF && !ffPair_;
        } else {
            Cleanup();
            return 0;
        }
        if (SenderSignedOff())
            Cleanup();  // nothing more of the transfer is on its way
        return 1;
    }
    if (state_ != StateHeader && state_ != StateFileInfo && state_ != StateFileData &&
        state_ != StateAttention) {
        Cleanup();
        return 0;
    }
    if (winsock_) {
        // Telnet doubles a data 0xFF. A single 0xFF starts a telnet command: it is
        // dropped and the byte after it goes on as usual.
        if (ffPair_)
            ffPair_ = 0;
        else if (b == 0xFF) {
            ffPair_ = 1;
            return 1;
        }
    }
    if (state_ == StateHeader)
        ReadHeaderByte(b);
    else
        ReadDataByte(b);
    return 1;
}

size_t IDravelZModem::ProcessBytes(const uint8_t* data, size_t count)
{
    size_t i = 0;
    while (i < count) {
        i += TakeDataRun(data + i, count - i);
        if (i == count)
            break;
        if (ProcessByte(data[i]) == 0)
            return i;
        ++i;
    }
    return count;
}

// Inside a subpacket, the bytes that stand for themselves and the plain escapes (ZDLE and
// a byte of 0x40..0x5F or 0xC0..0xDF) go to the buffer in runs, as ProcessByte would put
// them there one by one. Returns how many bytes were taken; what is left (a frame end, a
// flow-control character, a ZDLE at the end of the block, the cap) needs ProcessByte.
size_t IDravelZModem::TakeDataRun(const uint8_t* data, size_t count)
{
    if ((state_ != StateFileData && state_ != StateFileInfo && state_ != StateAttention) ||
        checksumPhase_ >= 0 || escapeArmed_ || ffPair_)
        return 0;
    const size_t used = rxBuffer_.size() - pendingWrite_;
    // A block never decodes to more bytes than it holds.
    const size_t room = std::min(used < MaxSubpacket ? MaxSubpacket - used : 0, count);
    if (room == 0)
        return 0;
    const size_t start = rxBuffer_.size();
    rxBuffer_.resize(start + room);
    size_t produced = 0;
    const size_t taken =
        DecodeRun(data, count, rxBuffer_.data() + start, room, winsock_ != 0, produced);
    rxBuffer_.resize(start + produced);
    return taken;
}

int IDravelZModem::DecodeByte(uint8_t c, bool data)
{
    if (!escapeArmed_) {
        if (c == XON || c == XOFF || c == (XON | 0x80) || c == (XOFF | 0x80))
            return Skip;
        if (c == ZDLE) {
            escapeArmed_ = 1;
            cancelCount_ = 1;
            return Skip;
        }
        return c;
    }
    if (c == ZDLE) {
        if (++cancelCount_ >= 5)
            PeerCancelled();
        return Skip;
    }
    escapeArmed_ = 0;
    if (data && c >= ZCRCE && c <= ZCRCW)
        return FrameEndFlag | c;
    if (c == ZRUB0)
        return 0x7F;
    if (c == ZRUB1)
        return 0xFF;
    if (c == XON || c == XOFF || c == (XON | 0x80) || c == (XOFF | 0x80))
        return c ^ 0x40;
    if ((c & 0x60) == 0x40)
        return c ^ 0x40;
    return Skip;
}

void IDravelZModem::ReadHeaderByte(uint8_t c)
{
    if (frameKind_ == 0) {
        // A header starts with ZPAD ZDLE and its kind. Data seen here (the rest of a
        // subpacket after an error) is full of ZDLE 'A'..'C', which must not count.
        if (c == ZDLE) {
            if (escapeArmed_) {
                if (++cancelCount_ >= 5)
                    PeerCancelled();
            } else {
                escapeArmed_ = 1;
                cancelCount_ = 1;
                padBeforeZdle_ = padSeen_;
            }
            padSeen_ = false;
            return;
        }
        if (c == ZPAD) {
            escapeArmed_ = 0;
            padSeen_ = true;
            return;
        }
        padSeen_ = false;
        if (escapeArmed_) {
            escapeArmed_ = 0;
            if ((c == ZBIN || c == ZHEX || c == ZBIN32) && padBeforeZdle_) {
                frameKind_ = c;
                headerCount_ = 0;
                headerValid_ = true;
                std::memset(header_, 0, sizeof header_);
            }
        }
        return;
    }

    int v = DecodeByte(c, false);
    if (state_ == StateAborted || v == Skip)
        return;
    if (frameKind_ == ZHEX) {
        if (headerCount_ < 14) {
            uint8_t d = static_cast<uint8_t>(v);
            if (!IsHexDigit(d))
                headerValid_ = false;
            else
                header_[headerCount_ / 2] = static_cast<uint8_t>(
                    header_[headerCount_ / 2] << 4 | HexValue(d));
        }
        if (++headerCount_ < 16)  // 14 digits, then CR LF
            return;
    } else {
        header_[headerCount_++] = static_cast<uint8_t>(v);
        if (headerCount_ < (frameKind_ == ZBIN32 ? 9 : 7))
            return;
    }

    if (!headerValid_ || !CheckHeaderCrc()) {
        frameKind_ = 0;
        state_ = StateHeader;
        // While we wait for the data we asked for, what looks like a header in the
        // sender's stream is most likely data still in flight: answering it would only
        // restart the sender again. Our time-out asks again if the ZDATA itself was hit.
        if (awaitingData_)
            return;
        status_ = ZModemGarbledHeader;
        SendAttention();
        // In the middle of a file the sender is streaming: only the position brings it
        // back (a header sent again would land inside its data).
        if (direction_ == DirectionReceive && fileHandle_ >= 0)
            SendZRPOS();
        else
            SendZNAK();
        ShowStatus();
        return;
    }
    DispatchHeader();
}

bool IDravelZModem::CheckHeaderCrc() const
{
    if (frameKind_ == ZBIN32) {
        uint32_t crc = 0xFFFFFFFFu;
        for (int i = 0; i < 5; ++i)
            crc = Crc32Update(crc, header_[i]);
        return ~crc == LoadPosition(header_ + 5);
    }
    uint16_t crc = Crc16Of(header_, 5);
    return crc == (header_[5] << 8 | header_[6]);
}

void IDravelZModem::DispatchHeader()
{
    const uint8_t kind = frameKind_;
    frameKind_ = 0;
    const uint8_t type = header_[0];
    const uint8_t* data = header_ + 1;
    const uint32_t pos = LoadPosition(data);
    const bool sending = direction_ == DirectionSend;

    auto startSubpacket = [&](uint8_t nextState) {
        if (rxBuffer_.capacity() == 0)
            rxBuffer_.reserve(1040);
        rxBuffer_.clear();  // nothing waits to be written outside a file's data
        pendingWrite_ = 0;
        dataCrc32_ = kind == ZBIN32;
        checksumPhase_ = -1;
        escapeArmed_ = 0;
        state_ = nextState;
    };

    switch (type) {
    case ZRQINIT:
        // An echoing host shows the uploader its own ZRQINIT: not for us.
        if (!sending)
            SendZRINIT();
        break;
    case ZRINIT:
        if (!sending) {
            Fail(ZModemUnknownHeader);
            break;
        }
        escapeControls_ = (data[ZF0] & ESCCTL) ? 1 : 0;
        zrinitReceived_ = 1;
        progressTick_ = Now();
        OfferNextFile();
        break;
    case ZSINIT:
        escapeControls_ = (data[ZF0] & ESCCTL) ? 1 : 0;
        startSubpacket(StateAttention);
        break;
    case ZACK:
    case ZRPOS:
        if (!sending) {
            Fail(ZModemUnknownHeader);
            break;
        }
        unansweredOffers_ = 0;
        if (type == ZACK && pos == position_ && !awaitingAck_) {
            progressTick_ = Now();  // where we are: nothing moves
            break;
        }
        RepositionSender(pos, type == ZRPOS);
        break;
    case ZFILE:
        // An echoing host shows the uploader its own ZFILE: not for us.
        if (sending)
            break;
        zfileFlags_ = data[ZF0];
        startSubpacket(StateFileInfo);
        break;
    case ZSKIP:
        // The receiver does not want the file: on to the next one, or finish (the
        // receiver waits for that and would only ask again after its time-out).
        if (sending && staleSkips_ > 0) {
            --staleSkips_;  // for a repeated offer of a file already skipped
            break;
        }
        if (sending && !finishing_ && fileHandle_ >= 0) {
            // The receiver answers every copy of the offer it got (a ZRINIT that
            // crossed ours makes two): the other answers are about this file too.
            staleSkips_ = unansweredOffers_ > 0 ? unansweredOffers_ - 1 : 0;
            unansweredOffers_ = 0;
            SetTimer(false);
            CloseFile();
            fileName_.clear();
            ++skippedFiles_;
            status_ = ZModemSkipped;
            ShowStatus();
            progressTick_ = Now();
            OfferNextFile();
        }
        break;
    case ZABORT:
        break;
    case ZNAK:
        if (!lastHeader_.empty())
            Send(lastHeader_);
        break;
    case ZFIN:
        if (sending) {
            if (!finishing_ && status_ == ZModemRunning)
                status_ = ZModemCancelled;  // the receiver quit before we were done
            SettleFinalStatus();
            SetTimer(false);
            Send(std::vector<uint8_t>{'O', 'O'}, true);
        } else {
            if (fileHandle_ >= 0) {
                CloseFile();
                ++incompleteFiles_;
            }
            SettleFinalStatus();
            SendHexHeader(ZFIN, Zero4);
        }
        CloseFile();
        if (state_ != StateAborted)
            state_ = StateFinished;
        break;
    case ZDATA:
        if (sending) {
            Fail(ZModemUnknownHeader);
            break;
        }
        if (pos != position_) {
            // Sent before the sender saw our ZRPOS: ignored while we wait for it.
            if (!awaitingData_)
                SendZRPOS();
            break;
        }
        awaitingData_ = false;
        startSubpacket(StateFileData);
        break;
    case ZEOF:
        if (sending)
            break;
        if (fileHandle_ < 0) {
            // The sender missed our ZRINIT for the file just closed.
            if (pos == position_)
                SendZRINIT();
            break;
        }
        if (pos != position_) {
            // The data before it has not arrived. Sent before the sender saw our ZRPOS,
            // it is ignored; otherwise the sender must have lost our place.
            if (!awaitingData_)
                SendZRPOS();
            break;
        }
        CloseFile();
        announcedName_.clear();
        awaitingData_ = false;
        if (position_ < fileLength_)
            ++incompleteFiles_;  // the sender stopped short of the length it announced
        if (status_ == ZModemCrcError || status_ == ZModemGarbledHeader)
            status_ = ZModemRunning;  // the file is whole after all
        SendZRINIT();
        startTick_ = 0;
        break;
    case ZCAN:
        PeerCancelled();
        break;
    default:
        Fail(ZModemUnknownHeader);
        break;
    }
}

void IDravelZModem::OfferNextFile()
{
    if (fileName_.empty() && !queue_.empty()) {
        directory_ = queue_.front().first;
        fileName_ = queue_.front().second;
        queue_.pop_front();
    }
    if (fileName_.empty()) {
        SetTimer(false);
        CloseFile();
        SettleFinalStatus();
        SendHexHeader(ZFIN, Zero4);
        finishing_ = 1;
    } else {
        SendFileHeader();
    }
}

void IDravelZModem::SettleFinalStatus()
{
    if (status_ == ZModemCrcError || status_ == ZModemGarbledHeader)
        status_ = ZModemRunning;  // recovered from
    if (status_ != ZModemRunning)
        return;
    if (incompleteFiles_ > 0)
        status_ = ZModemCancelled;
    else if (skippedFiles_ > 0)
        status_ = ZModemSkipped;
}

void IDravelZModem::ReadDataByte(uint8_t c)
{
    if (checksumPhase_ < 0) {
        int v = DecodeByte(c, true);
        if (v == Skip || state_ == StateAborted)
            return;
        if (v & FrameEndFlag) {
            frameEnd_ = static_cast<uint8_t>(v);
            checksumPhase_ = 0;
            return;
        }
        if (rxBuffer_.size() - pendingWrite_ >= MaxSubpacket) {
            // No frame end where one must have come: damaged.
            SubpacketDone(false);
            return;
        }
        rxBuffer_.push_back(static_cast<uint8_t>(v));
        return;
    }
    int v = DecodeByte(c, false);
    if (v == Skip || state_ == StateAborted)
        return;
    checksum_[checksumPhase_++] = static_cast<uint8_t>(v);
    if (checksumPhase_ < (dataCrc32_ ? 4 : 2))
        return;
    checksumPhase_ = -1;
    const uint8_t* sub = rxBuffer_.data() + pendingWrite_;
    const size_t len = rxBuffer_.size() - pendingWrite_;
    bool good;
    if (dataCrc32_)
        good = ~Crc32Update(Crc32Block(0xFFFFFFFFu, sub, len), frameEnd_) == LoadPosition(checksum_);
    else
        good = Crc16Update(Crc16Of(sub, len), frameEnd_) == (checksum_[0] << 8 | checksum_[1]);
    SubpacketDone(good);
}

void IDravelZModem::SubpacketDone(bool good)
{
    const uint8_t was = state_;
    if (was == StateFileData) {
        if (good) {
            ReceiveFileData();
        } else {
            rxBuffer_.resize(pendingWrite_);
            if (!WritePending())
                return;
            state_ = StateHeader;
            status_ = ZModemCrcError;
            SendAttention();
            SendZRPOS();
            ShowStatus();
        }
    } else if (was == StateFileInfo) {
        state_ = StateHeader;
        if (good)
            ReceiveFileInfo();
        else
            SendZRINIT();
    } else if (was == StateAttention) {
        state_ = StateHeader;
        if (good && frameEnd_ == ZCRCW && rxBuffer_.size() <= 32) {
            // The attention string ends at its NUL.
            size_t n = 0;
            while (n < rxBuffer_.size() && rxBuffer_[n] != 0)
                ++n;
            attention_.assign(rxBuffer_.begin(), rxBuffer_.begin() + static_cast<long>(n));
            SendHexHeader(ZACK, 1u);
        } else {
            SendZNAK();
        }
    }
    rxBuffer_.resize(pendingWrite_);
    checksumPhase_ = -1;
}

void IDravelZModem::ReceiveFileData()
{
    if (fileHandle_ < 0 || !files_) {
        Fail(ZModemWriteFailed);
        return;
    }
    const uint32_t n = static_cast<uint32_t>(rxBuffer_.size() - pendingWrite_);
    pendingWrite_ = rxBuffer_.size();
    // A streamed subpacket (ZCRCG) may wait for more; every other frame end is written
    // before it is answered, so that what we acknowledge is in the file.
    if ((frameEnd_ != ZCRCG || pendingWrite_ >= WriteBatch) && !WritePending())
        return;
    position_ += n;
    bytesTransferred_ += n;
    retries_ = 0;
    status_ = ZModemRunning;
    progressTick_ = Now();
    switch (frameEnd_) {
    case ZCRCE:
        state_ = StateHeader;
        break;
    case ZCRCQ:
        SendHexHeader(ZACK, position_);
        break;
    case ZCRCW:
        SendHexHeader(ZACK, position_);
        if (state_ == StateFileData)
            state_ = StateHeader;
        break;
    default:
        break;
    }
}

// Writes the pending file data; the subpacket being received (if any) stays. False when
// the store refused it: the data is dropped, never written twice.
bool IDravelZModem::WriteOut()
{
    const size_t n = pendingWrite_;
    if (n == 0)
        return true;
    pendingWrite_ = 0;
    const bool ok = fileHandle_ >= 0 && files_ &&
                    files_->Write(fileHandle_, rxBuffer_.data(), static_cast<uint32_t>(n));
    rxBuffer_.erase(rxBuffer_.begin(), rxBuffer_.begin() + static_cast<long>(n));
    return ok;
}

// WriteOut, and a refusal ends the transfer.
bool IDravelZModem::WritePending()
{
    if (WriteOut())
        return true;
    Fail(ZModemWriteFailed);
    return false;
}

void IDravelZModem::ReceiveFileInfo()
{
    // Name, NUL, then "length mtime(octal) mode(octal) serial(octal) files-left bytes-left";
    // everything is read inside the subpacket.
    const uint8_t* p = rxBuffer_.data();
    const uint8_t* end = p + rxBuffer_.size();
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(p, 0, rxBuffer_.size()));
    std::string announced(reinterpret_cast<const char*>(p), nul ? size_t(nul - p) : rxBuffer_.size());
    const uint8_t* info = nul ? nul + 1 : end;
    const uint8_t* infoEnd = static_cast<const uint8_t*>(
        info < end ? std::memchr(info, 0, size_t(end - info)) : nullptr);
    if (!infoEnd)
        infoEnd = end;

    uint32_t length = 0, ignored = 0, filesLeft = 0;
    bool haveLength = ReadNumber(info, infoEnd, 10, length);
    bool haveFilesLeft = haveLength && ReadNumber(info, infoEnd, 8, ignored) &&
                         ReadNumber(info, infoEnd, 8, ignored) &&
                         ReadNumber(info, infoEnd, 8, ignored) &&
                         ReadNumber(info, infoEnd, 10, filesLeft);

    // The same file again (our ZRPOS was lost): carry on where we are.
    if (fileHandle_ >= 0 && announced == announcedName_) {
        SendZRPOS();
        progressTick_ = Now();
        return;
    }
    if (fileHandle_ >= 0) {
        CloseFile();  // the sender gave up on it
        ++incompleteFiles_;
    }

    if (haveFilesLeft) {
        filesRemaining_ = static_cast<int>(filesLeft > 0x7FFFFFFF ? 0x7FFFFFFF : filesLeft);
        if (totalFiles_ == -1)
            totalFiles_ = filesRemaining_;
    }
    position_ = 0;
    fileLength_ = haveLength ? length : 0;

    std::string name = SafeReceivedName(announced);
    if (name.empty()) {
        fileName_ = announced;
        ++skippedFiles_;
        status_ = ZModemSkipped;
        SendHexHeader(ZSKIP, Zero4);
        ShowStatus();
        return;
    }

    int handle = -1;
    bool resumed = false;
    if (files_) {
        if (imagePack_ == 1) {
            handle = files_->Create(directory_ + name);
        } else {
            int existing = files_->OpenExisting(directory_ + name, false);
            if (existing >= 0) {
                int64_t size = files_->Size(existing);
                files_->Close(existing);
                if (zfileFlags_ == ZCRECOV && haveLength && size >= 0 && size < int64_t(length)) {
                    handle = files_->OpenExisting(directory_ + name, true);
                    if (handle >= 0 && files_->Seek(handle, uint64_t(size))) {
                        resumed = true;
                        position_ = static_cast<uint32_t>(size);
                        bytesTransferred_ += size;
                    } else if (handle >= 0) {
                        files_->Close(handle);
                        handle = -1;
                    }
                } else {
                    // Never mix an unrelated file with this one: take a free name.
                    std::string free;
                    for (int n = 1; n < 1000 && free.empty(); ++n) {
                        std::string candidate = NumberedName(name, n);
                        int h = files_->OpenExisting(directory_ + candidate, false);
                        if (h < 0)
                            free = candidate;
                        else
                            files_->Close(h);
                    }
                    name = free;
                }
                if (!resumed && !name.empty())
                    handle = files_->Create(directory_ + name);
            } else {
                handle = files_->Create(directory_ + name);
            }
        }
    }
    fileName_ = name;
    if (handle < 0) {
        Fail(ZModemWriteFailed);
        return;
    }
    fileHandle_ = handle;
    announcedName_ = announced;
    SendZRPOS();
    startPosition_ = position_;
    progressTick_ = Now();
    if (startTick_ == 0)
        startTick_ = Now() | 1;  // 0 means "not started"
}

// ---------------------------------------------------------------------------------------
// Sending

void IDravelZModem::StartSender(PumpTimer* timer)
{
    if (!timer) {
        Fail(ZModemStartFailed);
        return;
    }
    timer_ = timer;
    timer_->SetInterval(SenderInterval);
    timer_->SetHandler([this] { SendNextBlock(); });
    timer_->SetEnabled(false);
    SendHexHeader(ZRQINIT, Zero4);
    if (state_ != StateFinished && state_ != StateAborted)
        state_ = StateHeader;
    sendBuffer_.assign(SenderBlock, 0);
}

void IDravelZModem::SendFileHeader()
{
    CloseFile();
    int handle = files_ ? files_->OpenExisting(directory_ + fileName_, false) : -1;
    int64_t size = handle >= 0 ? files_->Size(handle) : -1;
    if (handle < 0 || size < 0 || size > 0xFFFFFFFFll) {
        if (handle >= 0)
            files_->Close(handle);
        Fail(ZModemOpenFailed);
        return;
    }
    fileHandle_ = handle;
    fileLength_ = static_cast<uint32_t>(size);
    position_ = 0;
    fileCount_ = size;
    filesRemaining_ = 1 + static_cast<int>(queue_.size());
    if (totalFiles_ < filesRemaining_)
        totalFiles_ = filesRemaining_;
    startPosition_ = -1;
    eofSent_ = false;

    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%lu 0 0 0 %d %lu",
                  static_cast<unsigned long>(fileLength_), filesRemaining_,
                  static_cast<unsigned long>(fileLength_));
    std::vector<uint8_t> block(fileName_.begin(), fileName_.end());
    block.push_back(0);
    block.insert(block.end(), numbers, numbers + std::strlen(numbers));
    block.push_back(0);
    if (block.size() > MaxInfoBlock) {
        Fail(ZModemOpenFailed);  // a name no receiver would take
        return;
    }
    if (block.size() < 128)
        block.resize(128, 0);

    std::vector<uint8_t> header;
    AppendBinaryHeader32(header, ZFILE, Zero4, Escaping());
    std::vector<uint8_t> out = header;
    AppendDataSubpacket32(out, block.data(), block.size(), ZCRCW, Escaping());
    if (Send(out))
        lastHeader_ = std::move(header);
    zrposPending_ = 1;
    ++unansweredOffers_;
}

void IDravelZModem::RepositionSender(uint32_t pos, bool zrpos)
{
    SetTimer(false);
    bytesTransferred_ += int64_t(pos) - int64_t(position_);
    position_ = pos;
    // Whatever moved us, the data goes on in a new frame whose header names the position,
    // so that the receiver can check it.
    zrposPending_ = 1;
    awaitingAck_ = false;
    if (zrpos) {
        // The receiver lost data and is waiting for it: the first block ends with ZCRCW
        // and the stream resumes only after its ZACK, so that what it may ask again in
        // the meantime (for data still in flight) costs one block, not a stream.
        resync_ = true;
        if (startPosition_ < 0)
            startPosition_ = pos;
    }
    progressTick_ = Now();
    if (fileHandle_ < 0)
        return;  // no file on offer: nothing to move
    if (pos >= fileLength_) {
        // Nothing left to send from there (empty file, complete file, lost ZEOF).
        position_ = fileLength_;
        SendEof();
        return;
    }
    SetTimer(true);
}

void IDravelZModem::SendEof()
{
    SendHexHeader(ZEOF, fileLength_);
    eofSent_ = true;
    fileName_.clear();
}

void IDravelZModem::SendNextBlock()
{
    if (state_ == StateFinished || state_ == StateAborted || position_ >= fileLength_ ||
        awaitingAck_ || !PortOpen()) {
        SetTimer(false);
        return;
    }
    if (port_->OutputFree() <= SenderMinFree)
        return;
    if (fileHandle_ < 0 || !files_) {
        Fail(ZModemOpenFailed);
        return;
    }
    if (sendBuffer_.size() < SenderBlock)
        sendBuffer_.assign(SenderBlock, 0);

    // Encode the whole tick first; it goes out only when the line takes all of it.
    std::vector<uint8_t> out;
    std::vector<uint8_t> header;
    if (zrposPending_) {
        uint8_t data[4];
        StorePosition(data, position_);
        AppendBinaryHeader32(header, ZDATA, data, Escaping());
        out = header;
    }
    uint32_t want = fileLength_ - position_ < SenderBlock ? fileLength_ - position_ : SenderBlock;
    int32_t got = -1;
    if (files_->Seek(fileHandle_, position_))
        got = files_->Read(fileHandle_, sendBuffer_.data(), want);
    if (got < 1) {
        Fail(ZModemReadFailed);
        return;
    }
    const uint32_t n = static_cast<uint32_t>(got);
    const bool last = position_ + n >= fileLength_;
    const uint8_t frameEnd = last ? ZCRCE : (zrposPending_ && resync_) ? ZCRCW : ZCRCG;
    AppendDataSubpacket32(out, sendBuffer_.data(), n, frameEnd, Escaping());
    std::vector<uint8_t> eof;
    if (last) {
        uint8_t data[4];
        StorePosition(data, fileLength_);
        AppendHexHeader(eof, ZEOF, data);
        out.insert(out.end(), eof.begin(), eof.end());
    }
    if (out.size() > port_->OutputFree())
        return;  // not this tick
    if (!Send(out))
        return;
    if (!header.empty())
        lastHeader_ = std::move(header);
    zrposPending_ = 0;
    position_ += n;
    bytesTransferred_ += n;
    if (frameEnd == ZCRCW) {
        resync_ = false;
        awaitingAck_ = true;
        SetTimer(false);
    }
    if (last) {
        lastHeader_ = std::move(eof);
        eofSent_ = true;
        fileName_.clear();
        SetTimer(false);
    }
    progressTick_ = Now();
    retries_ = 0;
}

// ---------------------------------------------------------------------------------------
// Time-outs

int IDravelZModem::CheckTimeout()
{
    if (state_ == StateAborted) {
        Cleanup();
        return 1;
    }
    if (state_ == StateFinished)
        return 0;
    if (!WritePending())
        return 1;  // a stalled stream's data is not kept waiting
    const uint32_t now = Now();
    if ((now - progressTick_) / 1000 <= IdleSeconds) {
        ShowStatus();
        return 0;
    }
    ++retries_;
    progressTick_ = now;
    if (retries_ >= MaxRetries) {
        Fail(ZModemTimedOut);
        return 1;
    }
    if (direction_ == DirectionReceive) {
        if (state_ == StateFileInfo) {
            SendZRINIT();
        } else if (fileHandle_ >= 0) {
            // In the middle of a file only the position brings a sender back, whatever
            // was lost: our ZRPOS, its ZDATA header, a ZACK.
            state_ = StateHeader;
            SendZRPOS();
        } else {
            state_ = StateHeader;
            SendZNAK();
        }
    } else if (!zrinitReceived_) {
        if (retries_ >= MaxStartRetries) {
            Fail(ZModemStartFailed);
            return 1;
        }
        SendHexHeader(ZRQINIT, Zero4);
    } else if (finishing_) {
        // The receiver confirmed every file before we said ZFIN; only its ZFIN is
        // missing. Ask once more, then end without it.
        if (finishing_ > 1) {
            Cleanup();
            state_ = StateFinished;
        } else {
            SendHexHeader(ZFIN, Zero4);
            finishing_ = 2;
        }
    } else if (awaitingAck_) {
        // That block or its ZACK was lost: go on from where we are, behind a new header
        // and with a block to acknowledge.
        RepositionSender(position_, true);
    } else {
        zrposPending_ = 1;
    }
    ShowStatus();
    return (state_ == StateFinished || state_ == StateAborted) ? 1 : 0;
}
