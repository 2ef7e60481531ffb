// The ZModem transfer engine: sends one file (or a short batch) or receives any number of
// files over a byte channel. It is driven from outside: the owner feeds it every received
// byte (ProcessBytes for a block, ProcessByte for one), calls CheckTimeout from a periodic
// timer and supplies the timer that paces the sender. It reports by status codes and
// return values, never by exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "engines/core/ZModemFrames.h"
#include "engines/core/ZModemLinks.h"

namespace quiro::engines {

// Leaves the bytes that a resize adds uninitialised: the receive buffer grows by the most
// that a block can add and is cut back to what was decoded.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

}  // namespace quiro::engines

// The engine's status word.
enum ZModemStatus : int16_t {
    ZModemRunning = -20,        // running or finished well
    ZModemUnknownHeader = -21,  // header type not handled in this direction (aborted)
    ZModemUnused = -22,
    ZModemGarbledHeader = -23,  // bad header CRC, ZNAK sent
    ZModemCrcError = -24,       // bad data CRC, ZRPOS sent
    ZModemTimedOut = -25,       // retries exhausted
    ZModemWriteFailed = -26,    // received file cannot be created, opened or written
    ZModemOpenFailed = -27,     // file to send cannot be opened
    ZModemReadFailed = -28,     // file to send cannot be read
    ZModemStartFailed = -29,    // sender failed to start
    ZModemSkipped = -30,        // a file was skipped (by the receiver, or its name refused)
    ZModemCancelled = -31,      // ended before completion: cancelled, line closed, cut short
    ZModemSendFailed = -32,     // the line refused a write
};

// The status label text for a status word.
std::string ZModemStatusText(int status, int direction, int retries);

class IDravelZModem {
public:
    enum EngineState : uint8_t {
        StateFinished = 2,
        StateHeader = 200,
        StateFileInfo = 201,
        StateFileData = 202,
        StateAttention = 203,
        StateAborted = 254,
    };
    enum { DirectionReceive = 0, DirectionSend = 1 };

    // Receive buffer cap: a subpacket longer than this is treated as damaged.
    static constexpr uint32_t MaxSubpacket = 8192 + 64;
    static constexpr uint32_t SenderInterval = 100;     // pump timer, ms
    static constexpr uint32_t SenderBlock = 1024;       // bytes of file data per tick
    static constexpr uint32_t SenderMinFree = 2048;     // output space needed to send a tick
    // Received file data is written in pieces of about this size; a frame end that asks
    // for an answer, an error, a time-out check and the end of the file write it at once.
    static constexpr uint32_t WriteBatch = 32768;

    IDravelZModem();
    // Stops and unhooks the sender's timer: delete the engine before that timer, or call
    // DetachTimer first.
    ~IDravelZModem();
    IDravelZModem(const IDravelZModem&) = delete;
    IDravelZModem& operator=(const IDravelZModem&) = delete;

    // Surroundings that outlive the transfers (set once by the owner).
    void SetFileStore(quiro::engines::FileStore* files) { files_ = files; }
    void SetClock(quiro::engines::Clock* clock) { clock_ = clock; }
    void SetStatusLabel(quiro::engines::StatusOutlet* label) { label_ = label; }
    // 1: a received file is always created anew, never resumed or renamed.
    void SetImagePack(int imagePack) { imagePack_ = imagePack; }

    void Start(quiro::engines::ByteChannel* port, int direction, const std::string& directory,
               const std::string& fileName);
    // Sender: another file to offer after the current one, in the same session.
    void QueueFile(const std::string& directory, const std::string& fileName);
    void SendZRINIT();
    void StartSender(quiro::engines::PumpTimer* timer);
    // Stops the sender's timer, drops its handler and forgets it (before the timer goes).
    void DetachTimer();
    // 1 while the engine takes bytes; 0 once the transfer has ended (that byte and the
    // rest of the block belong to the terminal).
    int ProcessByte(uint8_t b);
    // The same for a block: returns the index of the byte ProcessByte would have answered
    // 0 for (it and the rest belong to the terminal), `count` when every byte was taken.
    size_t ProcessBytes(const uint8_t* data, size_t count);
    // 1 when the transfer has ended (timed out, failed to start, or aborted).
    int CheckTimeout();
    void Abort();
    int Cleanup();
    void ShowStatus();
    void SendNextBlock();

    // Read by the front end.
    uint8_t State() const { return state_; }
    int16_t Status() const { return status_; }
    int Direction() const { return direction_; }
    const std::string& Directory() const { return directory_; }
    const std::string& FileName() const { return fileName_; }
    uint32_t FileLength() const { return fileLength_; }
    uint32_t Position() const { return position_; }
    int64_t StartPosition() const { return startPosition_; }
    int64_t BytesTransferred() const { return bytesTransferred_; }
    int64_t FileCount() const { return fileCount_; }
    int TotalFiles() const { return totalFiles_; }
    int FilesRemaining() const { return filesRemaining_; }
    uint32_t StartTick() const { return startTick_; }
    int Retries() const { return retries_; }
    int SkippedFiles() const { return skippedFiles_; }
    int IncompleteFiles() const { return incompleteFiles_; }
    // Receiver: the session has ended and the sender's closing "OO" has come, or on a
    // telnet line the server's second Data Mark (the sender's side flushed its line again,
    // with no "OO" between); nothing after it belongs to the transfer, and the engine has
    // let go of its buffers and timer.
    bool SenderSignedOff() const
    {
        return direction_ == DirectionReceive && state_ == StateFinished &&
               (closingOs_ >= 2 || closingMarks_ >= 2);
    }

private:
    uint32_t Now();
    bool PortOpen() const;
    // Writes bytes to the line. Closed line: cleanup, finished. Refused: status -32, abort.
    bool Send(const std::vector<uint8_t>& bytes, bool closingHandshake = false);
    void SendHexHeader(uint8_t type, const uint8_t data[4]);
    void SendHexHeader(uint8_t type, uint32_t pos);
    void SendZRPOS();
    void SendZNAK();
    void SendAttention();
    quiro::engines::zproto::EscapeMode Escaping() const;
    void Fail(int16_t status);
    void PeerCancelled();

    int DecodeByte(uint8_t c, bool data);
    size_t TakeDataRun(const uint8_t* data, size_t count);
    void ReadHeaderByte(uint8_t c);
    void ReadDataByte(uint8_t c);
    bool CheckHeaderCrc() const;
    void DispatchHeader();
    void SubpacketDone(bool good);
    void ReceiveFileInfo();
    void ReceiveFileData();
    bool WriteOut();
    bool WritePending();
    void SendFileHeader();
    void RepositionSender(uint32_t pos, bool zrpos);
    void SendEof();
    void CloseFile();
    void SetTimer(bool on);
    void SettleFinalStatus();
    void OfferNextFile();

    quiro::engines::ByteChannel* port_ = nullptr;
    quiro::engines::FileStore* files_ = nullptr;
    quiro::engines::Clock* clock_ = nullptr;
    quiro::engines::StatusOutlet* label_ = nullptr;
    quiro::engines::PumpTimer* timer_ = nullptr;

    int winsock_ = 0;
    int ffPair_ = 0;
    int closingOs_ = 0;  // 'O's taken after the session's end
    int closingMarks_ = 0;  // telnet Data Marks taken after the session's end
    uint8_t state_ = StateFinished;
    uint8_t frameKind_ = 0;
    int direction_ = DirectionReceive;
    // The subpacket being received; while a file comes in, the good subpackets not yet
    // written (pendingWrite_ bytes) stand before it.
    std::vector<uint8_t, quiro::engines::UninitialisedAllocator<uint8_t>> rxBuffer_;
    size_t pendingWrite_ = 0;
    int fileHandle_ = -1;
    int zrinitReceived_ = 0;
    int finishing_ = 0;          // sender: ZFIN sent (2: sent again after a time-out)
    int zrposPending_ = 0;
    bool resync_ = false;        // sender: the block after the next ZDATA header ends ZCRCW
    bool awaitingAck_ = false;   // sender: that block went out, its ZACK has not come
    bool awaitingData_ = false;  // receiver: ZRPOS sent, no ZDATA at the position yet
    std::vector<uint8_t> sendBuffer_;
    uint8_t header_[9] = {};
    std::vector<uint8_t> lastHeader_;
    uint16_t headerCount_ = 0;
    bool headerValid_ = true;
    int checksumPhase_ = -1;  // -1: collecting data; else checksum bytes seen
    uint8_t checksum_[4] = {};
    bool dataCrc32_ = false;
    uint8_t frameEnd_ = 0;
    int escapeArmed_ = 0;
    bool padSeen_ = false;        // the last byte while looking for a header was ZPAD
    bool padBeforeZdle_ = false;  // the armed ZDLE came right after a ZPAD
    int escapeControls_ = 1;
    int cancelCount_ = 0;
    int16_t status_ = ZModemRunning;
    uint32_t startTick_ = 0;
    uint32_t progressTick_ = 0;
    int retries_ = 0;
    std::vector<uint8_t> attention_;
    int imagePack_ = 0;
    std::string directory_;
    std::string fileName_;
    std::string announcedName_;  // receiver: name as the sender gave it, for a repeated ZFILE
    uint8_t zfileFlags_ = 0;     // receiver: ZF0 of the last ZFILE header
    uint32_t fileLength_ = 0;
    uint32_t position_ = 0;
    int64_t startPosition_ = 0;
    int64_t bytesTransferred_ = 0;
    int64_t fileCount_ = 0;
    int totalFiles_ = -1;
    int filesRemaining_ = 1;
    bool eofSent_ = false;       // sender: the current file's ZEOF went out
    int unansweredOffers_ = 0;   // sender: ZFILEs of this file without ZRPOS or ZSKIP yet
    int staleSkips_ = 0;         // sender: ZSKIPs still to come for a file skipped already
    int skippedFiles_ = 0;
    int incompleteFiles_ = 0;
    std::deque<std::pair<std::string, std::string>> queue_;
};
