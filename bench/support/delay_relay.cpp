#include "bench/support/delay_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int ConnectTo(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return fd;
    }
    if (fd >= 0)
        close(fd);
    return -1;
}

// One direction of one connection: a reader stamps each chunk with the time
// it is due at the other end, a writer hands it on then. An empty chunk is
// the end of the stream.
class Direction {
public:
    Direction(int from, int to, Clock::duration delay, Clock::time_point notBefore)
        : from_(from), to_(to), delay_(delay), notBefore_(notBefore)
    {
    }

    void Read()
    {
        std::vector<char> buffer(256 * 1024);
        for (;;) {
            const ssize_t got = recv(from_, buffer.data(), buffer.size(), 0);
            const Clock::time_point due = std::max(Clock::now() + delay_, notBefore_ + delay_);
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back({due, got > 0 ? std::string(buffer.data(), static_cast<size_t>(got)) : std::string()});
            ready_.notify_one();
            if (got <= 0)
                return;
        }
    }

    void Write()
    {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return !queue_.empty(); });
            Chunk chunk = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                shutdown(to_, SHUT_WR);
                return;
            }
            size_t sent = 0;
            while (sent < chunk.bytes.size()) {
                const ssize_t n = send(to_, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    // The far side is gone: end both ways so the reader stops too.
                    shutdown(from_, SHUT_RDWR);
                    shutdown(to_, SHUT_RDWR);
                    return;
                }
                sent += static_cast<size_t>(n);
            }
        }
    }

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };

    int from_, to_;
    Clock::duration delay_;
    Clock::time_point notBefore_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Chunk> queue_;
};

struct Connection {
    int client = -1;
    int server = -1;
    std::unique_ptr<Direction> up, down;
    std::vector<std::thread> threads;

    ~Connection()
    {
        for (std::thread& thread : threads)
            thread.join();
        close(client);
        if (server >= 0)
            close(server);
    }
};

}  // namespace

struct DelayRelay::Impl {
    int targetPort;
    Clock::duration roundTrip;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::mutex connectionsLock;
    std::list<Connection> connections;

    void Accept()
    {
        for (;;) {
            pollfd wait{listener, POLLIN, 0};
            if (poll(&wait, 1, 50) < 0 || stopping)
                return;
            if (!(wait.revents & POLLIN))
                continue;
            const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const int one = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            const Clock::time_point accepted = Clock::now();
            std::lock_guard<std::mutex> lock(connectionsLock);
            Connection& c = connections.emplace_back();
            c.client = client;
            c.server = ConnectTo(targetPort);
            if (c.server < 0) {
                shutdown(client, SHUT_RDWR);
                continue;
            }
            // The request waits for the handshake's round trip, then travels half of one.
            c.up = std::make_unique<Direction>(client, c.server, roundTrip / 2, accepted + roundTrip);
            c.down = std::make_unique<Direction>(c.server, client, roundTrip / 2, accepted);
            c.threads.emplace_back([d = c.up.get()] { d->Read(); });
            c.threads.emplace_back([d = c.up.get()] { d->Write(); });
            c.threads.emplace_back([d = c.down.get()] { d->Read(); });
            c.threads.emplace_back([d = c.down.get()] { d->Write(); });
        }
    }
};

DelayRelay::DelayRelay(int targetPort, std::chrono::milliseconds roundTrip) : impl_(std::make_unique<Impl>())
{
    impl_->targetPort = targetPort;
    impl_->roundTrip = roundTrip;
}

DelayRelay::~DelayRelay()
{
    Stop();
}

bool DelayRelay::Start()
{
    impl_->listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (impl_->listener < 0 || bind(impl_->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(impl_->listener, 128) != 0 ||
        getsockname(impl_->listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    impl_->port = ntohs(address.sin_port);
    impl_->acceptor = std::thread([this] { impl_->Accept(); });
    return true;
}

void DelayRelay::Stop()
{
    if (!impl_->acceptor.joinable())
        return;
    impl_->stopping = true;
    impl_->acceptor.join();
    close(impl_->listener);
    std::lock_guard<std::mutex> lock(impl_->connectionsLock);
    for (Connection& c : impl_->connections) {
        shutdown(c.client, SHUT_RDWR);
        if (c.server >= 0)
            shutdown(c.server, SHUT_RDWR);
    }
    impl_->connections.clear();  // joins every connection's threads
}

int DelayRelay::Port() const
{
    return impl_->port;
}
