#include "net/udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace {

const char* last_error = nullptr;

struct ErrorName {
  int code;
  const char* name;
};

// POSIX errors mapped to the names of the matching Windows conditions. A
// refused datagram (ICMP port unreachable) is what Windows reports as a
// connection reset on UDP.
constexpr ErrorName error_names[] = {
    {EFAULT, "WSAEFAULT"},         {EINVAL, "WSAEINVAL"},           {EINPROGRESS, "WSAEINPROGRESS"},
    {ENOTSOCK, "WSAENOTSOCK"},     {EBADF, "WSAENOTSOCK"},          {EMSGSIZE, "WSAEMSGSIZE"},
    {EOPNOTSUPP, "WSAEOPNOTSUPP"}, {ENETDOWN, "WSAENETDOWN"},       {ENETRESET, "WSAENETRESET"},
    {ECONNRESET, "WSAECONNRESET"}, {ECONNREFUSED, "WSAECONNRESET"}, {EISCONN, "WSAEISCONN"},
    {ESHUTDOWN, "WSAESHUTDOWN"},   {EPIPE, "WSAESHUTDOWN"},         {ETIMEDOUT, "WSAETIMEDOUT"},
};

// Sets the last error from errno; interrupted and would-block are not
// errors.
void note_errno() {
  const int code = errno;
  if (code == EINTR || code == EAGAIN || code == EWOULDBLOCK) return;
  last_error = "Programmer too lazy error";
  for (const ErrorName& e : error_names)
    if (e.code == code) last_error = e.name;
}

sockaddr_in to_sockaddr(const NetAddress& address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = address.port;
  std::memcpy(&sa.sin_addr, address.ip, 4);
  return sa;
}

NetAddress from_sockaddr(const sockaddr_in& sa) {
  NetAddress address;
  address.port = sa.sin_port;
  std::memcpy(address.ip, &sa.sin_addr, 4);
  return address;
}

// One datagram held back by the fake network.
struct FakeDatagram {
  double time = 0;  // when it arrived, seconds
  int length = 0;
  NetAddress from;
  std::uint8_t bytes[fake_datagram_bytes];
};

// The fake network: settings, the loss generator and the delay queue (a
// ring of fake_queue_slots entries, allocated on first use). Lives for the
// whole run; the queue is emptied when its socket closes.
struct FakeNetwork {
  double lag = 0;
  int loss = 0;
  std::mt19937 random{1};
  double (*clock)() = nullptr;
  std::vector<FakeDatagram> queue;
  int head = 0;     // oldest entry
  int count = 0;    // entries held
  int socket = -1;  // the socket the entries came from
};
FakeNetwork fake;

double fake_now() { return fake.clock ? fake.clock() : korb_time(); }

int receive_fake(int socket, void* buffer, std::size_t size, NetAddress& from) {
  if (fake.queue.empty()) fake.queue.resize(fake_queue_slots);
  if (fake.socket != socket) {
    fake.head = fake.count = 0;
    fake.socket = socket;
  }
  const double now = fake_now();
  while (fake.count < fake_queue_slots) {
    FakeDatagram& d = fake.queue[static_cast<size_t>((fake.head + fake.count) % fake_queue_slots)];
    const int n = net_receive_direct(socket, d.bytes, sizeof d.bytes, d.from);
    if (n < 0) break;
    // A draw of 0 .. 32767 against the loss scaled to the whole range,
    // so 100 percent drops everything (327 per percent would let the top
    // 68 draws through).
    const int draw = static_cast<int>(fake.random() & 0x7fff);
    if (draw * 100 < fake.loss * 32768) continue;
    d.time = now;
    d.length = n;
    ++fake.count;
  }
  const char* failure = last_error;
  last_error = nullptr;
  if (fake.count == 0) {
    last_error = failure;
    return -1;
  }
  FakeDatagram& oldest = fake.queue[static_cast<size_t>(fake.head)];
  if (oldest.time + fake.lag > now) return -1;
  const int n = std::min(oldest.length, static_cast<int>(size));
  std::memcpy(buffer, oldest.bytes, static_cast<size_t>(n));
  from = oldest.from;
  fake.head = (fake.head + 1) % fake_queue_slots;
  --fake.count;
  return n;
}

}  // namespace

bool operator==(const NetAddress& a, const NetAddress& b) {
  return a.family == b.family && a.port == b.port && std::memcmp(a.ip, b.ip, 4) == 0;
}

const char* net_last_error() { return last_error; }

bool net_resolve(NetAddress& address, const char* name, int default_port) {
  last_error = nullptr;
  std::string host = name ? name : "";
  int port = default_port;
  if (const auto colon = host.rfind(':'); colon != std::string::npos) {
    const std::string digits = host.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(digits.c_str(), &end, 10);
    const bool reads = !digits.empty() && std::isdigit(static_cast<unsigned char>(digits[0])) &&
                       *end == '\0' && errno == 0 && value >= 0 && value <= 65535;
    if (reads) {
      port = static_cast<int>(value);
      host.resize(colon);
    }
  }
  if (host.empty()) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  address = from_sockaddr(*reinterpret_cast<const sockaddr_in*>(found->ai_addr));
  address.port = htons(static_cast<std::uint16_t>(port));
  freeaddrinfo(found);
  return true;
}

int net_open() {
  last_error = nullptr;
  const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s < 0) {
    note_errno();
    return -1;
  }
  const int flags = fcntl(s, F_GETFL, 0);
  if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0) {
    note_errno();
    close(s);
    return -1;
  }
  return s;
}

bool net_bind(int socket, int port) {
  last_error = nullptr;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  sa.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    note_errno();
    return false;
  }
  return true;
}

int net_local_port(int socket) {
  sockaddr_in sa{};
  socklen_t length = sizeof sa;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return -1;
  return ntohs(sa.sin_port);
}

int net_send(int socket, const void* data, std::size_t length, const NetAddress& address) {
  last_error = nullptr;
  const sockaddr_in sa = to_sockaddr(address);
  const ssize_t n =
      sendto(socket, data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  if (n < 0) {
    note_errno();
    return -1;
  }
  return static_cast<int>(n);
}

int net_receive_direct(int socket, void* buffer, std::size_t size, NetAddress& from) {
  last_error = nullptr;
  for (;;) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    const ssize_t n = recvfrom(socket, buffer, size, 0, reinterpret_cast<sockaddr*>(&sa), &length);
    if (n >= 0) {
      from = from_sockaddr(sa);
      return static_cast<int>(n);
    }
    // A refused earlier send is reported on a later receive; it says
    // nothing about the datagrams waiting, so read on.
    if (errno == ECONNREFUSED) continue;
    note_errno();
    return -1;
  }
}

int net_receive(int socket, void* buffer, std::size_t size, NetAddress& from) {
  if (fake.lag <= 0 && fake.loss <= 0) return net_receive_direct(socket, buffer, size, from);
  last_error = nullptr;
  return receive_fake(socket, buffer, size, from);
}

void net_close(int socket) {
  last_error = nullptr;
  if (socket < 0) return;
  if (fake.socket == socket) fake.head = fake.count = 0, fake.socket = -1;
  close(socket);
}

void net_shutdown() {
  fake.head = fake.count = 0;
  fake.socket = -1;
  fake.queue.clear();
  fake.queue.shrink_to_fit();
}

void net_set_fake_network(double lag_seconds, int loss_percent, std::uint32_t seed,
                          double (*clock)()) {
  fake.lag = std::clamp(lag_seconds, 0.0, 1.0);
  fake.loss = std::clamp(loss_percent, 0, 100);
  fake.random.seed(seed);
  fake.clock = clock;
}
