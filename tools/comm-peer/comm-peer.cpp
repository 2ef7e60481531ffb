// comm-peer: the Linux end of the Winsock port's tests under Wine, which start it.
//   comm-peer telnetd PORTFILE PROGRAM
// listens on 127.0.0.1 (a free port), writes the port number to PORTFILE, accepts one
// connection and runs the inetutils telnet server on it with PROGRAM in place of login.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4 || std::strcmp(argv[1], "telnetd") != 0) {
    std::fprintf(stderr, "usage: comm-peer telnetd PORTFILE PROGRAM\n");
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
