// zm: the ZModem engine on standard input and output (or a TCP connection), for transfers
// with other ZModem programs by hand or from scripts.
//
//   zm [--tick MS] [--connect HOST:PORT] receive DIR
//   zm [--tick MS] [--connect HOST:PORT] send FILE...
//
// Status codes and texts go to standard error; the exit status is 0 only when every file
// went through.
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "ZmPosix.h"

using namespace quiro::zmtool;

namespace {

class StderrStatus : public StatusOutlet {
public:
    explicit StderrStatus(const IDravelZModem& zm) : zm_(zm) {}
    void ShowStatusText(const std::string& text) override
    {
        if (text == last_ && zm_.Status() == lastCode_)
            return;
        last_ = text;
        lastCode_ = zm_.Status();
        std::fprintf(stderr, "zm: status %d %s\n", int(zm_.Status()), text.c_str());
    }

private:
    const IDravelZModem& zm_;
    std::string last_;
    int lastCode_ = 0;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: zm [--tick MS] [--connect HOST:PORT] receive DIR\n"
                 "       zm [--tick MS] [--connect HOST:PORT] send FILE...\n");
    return 2;
}

int Connect(const std::string& hostPort)
{
    size_t colon = hostPort.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == hostPort.size())
        return -1;
    std::string host = hostPort.substr(0, colon), port = hostPort.substr(colon + 1);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = res; a; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) == 0)
            break;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    freeaddrinfo(res);
    return fd;
}

void SplitPath(const std::string& path, std::string& dir, std::string& name)
{
    size_t slash = path.rfind('/');
    dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    int tick = -1;
    std::string connect;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        std::string opt = argv[i];
        if (opt == "--tick" && i + 1 < argc) {
            char* end = nullptr;
            long v = std::strtol(argv[++i], &end, 10);
            if (!end || *end || v < 0 || v > 60000)
                return Usage();
            tick = int(v);
        } else if (opt == "--connect" && i + 1 < argc) {
            connect = argv[++i];
        } else {
            return Usage();
        }
    }
    if (i >= argc)
        return Usage();
    std::string command = argv[i++];
    bool sending = command == "send";
    if ((command != "receive" && !sending) || i >= argc || (!sending && i + 1 != argc))
        return Usage();

    ::signal(SIGPIPE, SIG_IGN);
    int inFd = 0, outFd = 1;
    if (!connect.empty()) {
        inFd = outFd = Connect(connect);
        if (inFd < 0) {
            std::fprintf(stderr, "zm: cannot connect to %s\n", connect.c_str());
            return 1;
        }
    }

    PosixFileStore files;
    MonotonicClock clock;
    FdChannel line(inFd, outFd);
    LoopTimer timer(tick);
    IDravelZModem zm;
    StderrStatus status(zm);
    zm.SetFileStore(&files);
    zm.SetClock(&clock);
    zm.SetStatusLabel(&status);

    std::string shownName;
    SessionOptions opt;
    opt.onTurn = [&] {
        if (!zm.FileName().empty() && zm.FileName() != shownName) {
            shownName = zm.FileName();
            std::fprintf(stderr, "zm: file %s (%u bytes)\n", shownName.c_str(), zm.FileLength());
        }
    };

    SessionEnd end;
    if (sending) {
        std::string dir, name;
        SplitPath(argv[i], dir, name);
        zm.Start(&line, IDravelZModem::DirectionSend, dir, name);
        for (int k = i + 1; k < argc; ++k) {
            SplitPath(argv[k], dir, name);
            zm.QueueFile(dir, name);
        }
        zm.StartSender(&timer);
        end = RunSession(zm, line, &timer, opt);
    } else {
        std::string dir = argv[i];
        zm.Start(&line, IDravelZModem::DirectionReceive, dir.back() == '/' ? dir : dir + "/", "");
        zm.SendZRINIT();
        end = RunSession(zm, line, nullptr, opt);
    }

    static const char* const ends[] = {"finished", "aborted", "timed out", "line closed"};
    bool ok = SessionSucceeded(zm, end);
    std::fprintf(stderr, "zm: %s, status %d %s\n", ends[int(end)], int(zm.Status()),
                 ZModemStatusText(zm.Status(), zm.Direction(), zm.Retries()).c_str());
    return ok ? 0 : 1;
}
