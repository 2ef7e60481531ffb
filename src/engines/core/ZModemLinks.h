// What the transfer engine and the telnet object need from their surroundings. The main
// window and the comm port implement these on Win32; the native tool and the tests have
// their own. Nothing here blocks: every call returns at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quiro::engines {

// The line to the host.
class ByteChannel {
public:
    virtual ~ByteChannel() = default;
    virtual bool IsOpen() const = 0;
    // A telnet (Winsock) line: a data byte 0xFF travels doubled.
    virtual bool IsWinsock() const = 0;
    // Bytes that PutBlock would accept now.
    virtual uint32_t OutputFree() const = 0;
    // All or nothing: either every byte is queued for sending or none is (false).
    virtual bool PutBlock(const uint8_t* data, uint32_t len) = 0;
};

// Files by path. A handle is a non-negative int; -1 is "none" or a failure.
class FileStore {
public:
    virtual ~FileStore() = default;
    // A new empty file for writing (an existing one is truncated).
    virtual int Create(const std::string& path) = 0;
    // An existing file; -1 when it does not exist or cannot be opened.
    virtual int OpenExisting(const std::string& path, bool forWriting) = 0;
    // Bytes read (0 at the end), -1 on failure.
    virtual int32_t Read(int handle, uint8_t* buffer, uint32_t len) = 0;
    // Writes every byte or fails.
    virtual bool Write(int handle, const uint8_t* data, uint32_t len) = 0;
    virtual bool Seek(int handle, uint64_t position) = 0;
    // Size in bytes, -1 on failure.
    virtual int64_t Size(int handle) = 0;
    virtual void Close(int handle) = 0;
    virtual bool Remove(const std::string& path) = 0;
};

// Milliseconds from any origin; wraps at 2^32, so only differences (as uint32_t) count.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t NowMs() = 0;
};

// A periodic timer that calls its handler on the owner's thread while enabled.
class PumpTimer {
public:
    virtual ~PumpTimer() = default;
    virtual void SetInterval(uint32_t ms) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetHandler(std::function<void()> handler) = 0;
};

// Where the engine's one-line status text goes (a panel caption on Win32).
class StatusOutlet {
public:
    virtual ~StatusOutlet() = default;
    virtual void ShowStatusText(const std::string& text) = 0;
};

}  // namespace quiro::engines
