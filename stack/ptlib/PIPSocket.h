// IPv4 sockets: the address type, local interface listing, host look-up, and the
// descriptor handling shared by the UDP and TCP sockets.  Close() may be called from any
// thread: it wakes every thread blocked on the socket, waits until they have left it and
// then releases the descriptor.  Destroy a socket only after its users have stopped.
#pragma once

#include <netinet/in.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "stack/ptlib/PChannel.h"
#include "stack/ptlib/PString.h"

class PIPSocket : public PChannel {
  PCLASSINFO(PIPSocket, PChannel)
 public:
  class Address {
   public:
    // 0.0.0.0, the "any interface" address.
    constexpr Address() = default;
    constexpr Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) : m_octets{a, b, c, d} {}
    // Dotted-quad text; anything else (names included) leaves 0.0.0.0, which is not valid.
    explicit Address(const char* dotted);
    explicit Address(const PString& dotted) : Address(dotted.GetPointer()) {}
    explicit Address(const in_addr& a);
    // From a 32-bit value in network byte order (as in in_addr.s_addr).
    static Address FromNetworkOrder(uint32_t value);

    static Address GetAny() { return Address(); }
    static Address GetLoopback() { return Address(127, 0, 0, 1); }
    static Address GetBroadcast() { return Address(255, 255, 255, 255); }

    // Octet 0 is the first one written (a in a.b.c.d); out-of-range indexes give 0.
    uint8_t operator[](int index) const { return index >= 0 && index < 4 ? m_octets[index] : 0; }
    const std::array<uint8_t, 4>& GetOctets() const { return m_octets; }
    uint32_t GetNetworkOrder() const;
    in_addr AsInAddr() const;
    PString AsString() const;
    operator PString() const { return AsString(); }  // NOLINT: implicit by design

    // Neither 0.0.0.0 nor 255.255.255.255.
    bool IsValid() const;
    bool IsAny() const { return m_octets == std::array<uint8_t, 4>{}; }
    bool IsLoopback() const { return m_octets[0] == 127; }

    auto operator<=>(const Address&) const = default;

   private:
    std::array<uint8_t, 4> m_octets{};
  };

  struct InterfaceEntry {
    PString name;
    Address address;
    Address netmask;
    bool loopback = false;
  };
  using InterfaceTable = std::vector<InterfaceEntry>;

  // IPv4 addresses of the interfaces that are up, in the system's order.
  static bool GetInterfaceTable(InterfaceTable& table);
  // The address to announce to peers: the first interface that is up and not loopback,
  // or 127.0.0.1 when there is none.  (The host name is not used: it often resolves to a
  // loopback alias.)
  static Address GetDefaultLocalAddress();
  // A dotted quad or a host name resolved to its first IPv4 address.
  static bool GetHostAddress(const PString& host, Address& address);

  // Waits until one of `sockets` has data to read.  Returns its index, kSelectTimeout
  // when the time ran out, or kSelectClosed when one of them is closed (or was closed
  // while waiting).
  static constexpr int kSelectTimeout = -1;
  static constexpr int kSelectClosed = -2;
  static int SelectReadable(std::initializer_list<PIPSocket*> sockets, PTimeInterval timeout);

  ~PIPSocket() override;

  bool IsOpen() const override;
  bool Close() override;

  bool GetLocalAddress(Address& address, uint16_t& port) const;
  bool GetPeerAddress(Address& address, uint16_t& port) const;
  // Local port the socket is bound to, 0 when not bound.
  uint16_t GetPort() const;
  int GetHandle() const;

 protected:
  PIPSocket() = default;

  // Creates a non-blocking descriptor of `type` (SOCK_DGRAM or SOCK_STREAM).
  bool OpenSocket(int type);
  // Takes over an already connected descriptor.
  bool AdoptHandle(int fd);
  bool Bind(const Address& address, uint16_t port, bool reuse);

  // A descriptor on loan for one operation; invalid when the socket is closed or closing.
  class Use {
   public:
    explicit Use(const PIPSocket& socket);
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    int fd() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

   private:
    const PIPSocket& m_socket;
    int m_fd = -1;
  };

  enum class Wait { Ready, TimedOut, Closed, Failed };
  // Waits until `fd` is ready for `events` (POLLIN/POLLOUT), the time-out passes, or the
  // socket is closed by another thread.
  Wait WaitFor(int fd, short events, PTimeInterval timeout) const;
  // Turns a Wait outcome other than Ready into the channel's error; returns false.
  bool SetWaitError(Wait w);

  static sockaddr_in MakeSockAddr(const Address& address, uint16_t port);

 private:
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_idle;
  mutable int m_users = 0;
  bool m_closing = false;
  int m_fd = -1;
  int m_wakeFd = -1;
};
