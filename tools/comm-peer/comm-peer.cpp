// comm-peer: the Linux end of the Winsock port's tests under Wine, which start it.
//   comm-peer telnetd PORTFILE PROGRAM
// listens on 127.0.0.1 (a free port), writes the port number to PORTFILE, accepts one
// connection and runs the inetutils telnet server on it with PROGRAM in place of login.
//   comm-peer telnet PORT PROGRAM [ARGUMENT...]
// connects to a telnet server on 127.0.0.1:PORT, asks for binary both ways (and refuses
// every other option but suppress-go-ahead and echo), and runs PROGRAM with the session's
// data as its standard input and output, until PROGRAM ends.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned char IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr unsigned char BINARY = 0, ECHO = 1, SGA = 3;

bool WriteAll(int fd, const void* data, size_t n) {
  auto* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= size_t(w);
  }
  return true;
}

int TelnetClient(int port, char** program) {
  std::signal(SIGPIPE, SIG_IGN);  // a program that ended early is seen at its pipe
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(uint16_t(port));
  if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    std::perror("comm-peer: connect");
    return 1;
  }
  int in[2], out[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0) return 1;
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    for (int fd : {in[0], in[1], out[0], out[1], s}) ::close(fd);
    ::execvp(program[0], program);
    _exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  bool will[256] = {}, does[256] = {};
  will[BINARY] = does[BINARY] = true;
  const unsigned char offer[] = {IAC, WILL, BINARY, IAC, DO, BINARY};
  WriteAll(s, offer, sizeof offer);

  enum { Data, Command, Option, Sub, SubCommand } state = Data;
  unsigned char verb = 0;
  std::string toProgram, toHost;
  unsigned char buf[65536];
  pollfd p[2] = {{s, POLLIN, 0}, {out[0], POLLIN, 0}};
  while (p[1].fd >= 0) {
    if (::poll(p, 2, -1) < 0) break;
    if (p[0].revents) {
      ssize_t n = ::read(s, buf, sizeof buf);
      if (n <= 0) {
        p[0].fd = -1;  // the host is gone: the program ends on its own
        ::close(in[1]);
        continue;
      }
      toProgram.clear();
      for (ssize_t i = 0; i < n; ++i) {
        unsigned char c = buf[i];
        switch (state) {
        case Data:
          if (c == IAC) state = Command;
          else toProgram += char(c);
          break;
        case Command:
          state = Data;
          if (c == IAC) toProgram += char(c);
          else if (c == SB) state = Sub;
          else if (c >= WILL) { verb = c; state = Option; }
          break;
        case Option: {
          state = Data;
          bool wanted = c == BINARY || c == SGA || (verb == WILL && c == ECHO);
          unsigned char answer[3] = {IAC, 0, c};
          if (verb == DO && !will[c]) {
            answer[1] = wanted ? WILL : WONT;
            will[c] = wanted;
            WriteAll(s, answer, 3);
          } else if (verb == WILL && !does[c]) {
            answer[1] = wanted ? DO : DONT;
            does[c] = wanted;
            WriteAll(s, answer, 3);
          }
          break;
        }
        case Sub:
          if (c == IAC) state = SubCommand;
          break;
        case SubCommand:
          state = c == SE ? Data : Sub;
          break;
        }
      }
      if (!WriteAll(in[1], toProgram.data(), toProgram.size())) p[0].fd = -1;
    }
    if (p[1].revents) {
      ssize_t n = ::read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      toHost.clear();
      for (ssize_t i = 0; i < n; ++i) {
        toHost += char(buf[i]);
        if (buf[i] == IAC) toHost += char(IAC);
      }
      WriteAll(s, toHost.data(), toHost.size());
    }
  }
  ::close(s);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "telnet") == 0) return TelnetClient(std::atoi(argv[2]), argv + 3);
  if (argc != 4 || std::strcmp(argv[1], "telnetd") != 0) {
    std::fprintf(stderr, "usage: comm-peer telnetd PORTFILE PROGRAM | telnet PORT PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    std::perror("comm-peer: listen");
    return 1;
  }
  // Written whole under another name first: the reader never sees half a number.
  std::string tmp = std::string(argv[2]) + ".part";
  if (FILE* f = std::fopen(tmp.c_str(), "w")) {
    std::fprintf(f, "%u\n", unsigned(ntohs(addr.sin_port)));
    std::fclose(f);
  }
  std::rename(tmp.c_str(), argv[2]);
  ::chmod(argv[3], 0755);
  pollfd p{listener, POLLIN, 0};
  if (::poll(&p, 1, 30000) != 1) return 1;  // nobody came
  int served = ::accept(listener, nullptr, nullptr);
  ::close(listener);
  if (served < 0) return 1;
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(served, 0);
    ::dup2(served, 1);
    ::dup2(served, 2);
    ::close(served);
    ::execl("/usr/sbin/telnetd", "telnetd", "-h", "-E", argv[3], static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(served);
  int status = 0;
  if (child > 0) ::waitpid(child, &status, 0);
  return 0;
}
