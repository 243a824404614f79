#include "tests/transfer/test_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

struct TestServer::Impl {
    httplib::Server http;
    std::thread httpThread;
    int httpPort = 0;

    int rawListener = -1;
    int rawPort = 0;
    std::thread rawThread;
    std::vector<std::thread> rawConnections;

    mutable std::mutex lock;
    std::condition_variable changed;
    std::map<std::string, Route> routes;
    std::vector<std::string> requests;
    std::vector<std::string> userAgents;
    int stalls = 0;
    std::atomic<bool> stopping{false};

    // Looks a path up, records the request and uses up one fault.
    bool Take(const std::string& path, const std::string& userAgent, Route& route)
    {
        std::lock_guard guard(lock);
        requests.push_back(path);
        userAgents.push_back(userAgent);
        auto it = routes.find(path);
        if (it == routes.end())
            return false;
        route = it->second;
        if (it->second.faultTimes > 0 && --it->second.faultTimes == 0)
            it->second.fault = Fault::None;
        return true;
    }

    void HandleHttp(const httplib::Request& request, httplib::Response& response);
    void RawAcceptLoop();
    void RawServe(int connection);
};

namespace {

bool WaitReadable(int socket, const std::atomic<bool>& stopping)
{
    while (!stopping) {
        pollfd entry{socket, POLLIN, 0};
        const int ready = poll(&entry, 1, 20);
        if (ready > 0)
            return true;
        if (ready < 0)
            return false;
    }
    return false;
}

bool SendAll(int socket, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Header(size_t length, const std::string& contentType)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

}  // namespace

void TestServer::Impl::HandleHttp(const httplib::Request& request, httplib::Response& response)
{
    Route route;
    if (!Take(request.path, request.get_header_value("User-Agent"), route)) {
        response.status = 404;
        response.set_content("<html>no such page</html>", "text/html");
        return;
    }
    switch (route.fault) {
    case Fault::NotFound:
    case Fault::ServerError:
        response.status = route.fault == Fault::NotFound ? 404 : 500;
        response.set_content("<html><body>error page, not an image</body></html>", "text/html");
        return;
    case Fault::Redirect:
        response.set_redirect(route.redirectTo.rfind("http", 0) == 0
                                  ? route.redirectTo
                                  : "http://127.0.0.1:" + std::to_string(httpPort) + route.redirectTo,
                              302);
        return;
    case Fault::Chunked: {
        auto body = std::make_shared<std::string>(route.body);
        response.set_chunked_content_provider(route.contentType, [body](size_t offset, httplib::DataSink& sink) {
            if (offset >= body->size()) {
                sink.done();
                return true;
            }
            const size_t n = std::min<size_t>(4096, body->size() - offset);
            return sink.write(body->data() + offset, n);
        });
        return;
    }
    case Fault::Trickle: {
        auto body = std::make_shared<std::string>(route.body);
        response.set_content_provider(
            body->size(), route.contentType,
            [this, body, route](size_t offset, size_t, httplib::DataSink& sink) {
                if (stopping)
                    return false;
                std::this_thread::sleep_for(route.trickleDelay);
                const size_t n = std::min(route.trickleBytes, body->size() - offset);
                return sink.write(body->data() + offset, n);
            });
        return;
    }
    case Fault::Oversize: {
        auto block = std::make_shared<std::string>(size_t{1} << 20, 'x');
        const size_t total = route.oversizeBytes;
        response.set_chunked_content_provider(
            "text/html", [this, block, total](size_t offset, httplib::DataSink& sink) {
                if (stopping)
                    return false;
                if (offset >= total) {
                    sink.done();
                    return true;
                }
                return sink.write(block->data(), std::min(block->size(), total - offset));
            });
        return;
    }
    default:
        response.set_content(route.body, route.contentType);
        return;
    }
}

void TestServer::Impl::RawAcceptLoop()
{
    while (WaitReadable(rawListener, stopping)) {
        const int connection = accept(rawListener, nullptr, nullptr);
        if (connection < 0)
            continue;
        std::lock_guard guard(lock);
        rawConnections.emplace_back([this, connection] { RawServe(connection); });
    }
}

void TestServer::Impl::RawServe(int connection)
{
    std::string head;
    char chunk[2048];
    while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(connection, stopping)) {
        const ssize_t n = recv(connection, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        head.append(chunk, static_cast<size_t>(n));
    }
    const size_t pathStart = head.find(' ');
    const size_t pathEnd = pathStart == std::string::npos ? pathStart : head.find_first_of(" ?", pathStart + 1);
    Route route;
    std::string userAgent;
    if (const size_t at = head.find("User-Agent: "); at != std::string::npos)
        userAgent = head.substr(at + 12, head.find("\r\n", at) - at - 12);
    if (pathEnd == std::string::npos ||
        !Take(head.substr(pathStart + 1, pathEnd - pathStart - 1), userAgent, route)) {
        SendAll(connection, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        close(connection);
        return;
    }
    if (route.fault == Fault::Reset) {
        SendAll(connection, Header(route.body.size(), route.contentType) + route.body.substr(0, route.body.size() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        linger hard{1, 0};  // close with RST instead of FIN
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else if (route.fault == Fault::Stall) {
        SendAll(connection, Header(route.body.size(), route.contentType) + route.body.substr(0, 16));
        std::unique_lock guard(lock);
        ++stalls;
        changed.notify_all();
        changed.wait(guard, [this] { return stopping.load(); });
    } else {
        SendAll(connection, Header(route.body.size(), route.contentType) + route.body);
        shutdown(connection, SHUT_WR);
        WaitReadable(connection, stopping);  // let the client close first
    }
    close(connection);
}

TestServer::TestServer() : impl_(std::make_unique<Impl>())
{
    impl_->http.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        impl_->HandleHttp(request, response);
    });
    impl_->httpPort = impl_->http.bind_to_any_port("127.0.0.1");
    if (impl_->httpPort <= 0)
        throw std::runtime_error("cannot bind the test server");
    impl_->httpThread = std::thread([this] { impl_->http.listen_after_bind(); });
    while (!impl_->http.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    impl_->rawListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (impl_->rawListener < 0 || bind(impl_->rawListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(impl_->rawListener, 16) != 0 ||
        getsockname(impl_->rawListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind the raw test listener");
    impl_->rawPort = ntohs(address.sin_port);
    impl_->rawThread = std::thread([this] { impl_->RawAcceptLoop(); });
}

TestServer::~TestServer()
{
    {
        std::lock_guard guard(impl_->lock);
        impl_->stopping = true;
        impl_->changed.notify_all();
    }
    impl_->http.stop();
    impl_->httpThread.join();
    impl_->rawThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard guard(impl_->lock);
        connections.swap(impl_->rawConnections);
    }
    for (std::thread& connection : connections)
        connection.join();
    close(impl_->rawListener);
}

void TestServer::Add(const std::string& path, Route route)
{
    std::lock_guard guard(impl_->lock);
    impl_->routes[path] = std::move(route);
}

void TestServer::Serve(const std::string& path, std::string body, std::string contentType)
{
    Route route;
    route.body = std::move(body);
    route.contentType = std::move(contentType);
    Add(path, std::move(route));
}

std::string TestServer::Origin() const
{
    return "http://127.0.0.1:" + std::to_string(impl_->httpPort);
}

std::string TestServer::RawOrigin() const
{
    return "http://127.0.0.1:" + std::to_string(impl_->rawPort);
}

std::string TestServer::Url(const std::string& path) const
{
    std::lock_guard guard(impl_->lock);
    auto it = impl_->routes.find(path);
    const bool raw = it != impl_->routes.end() &&
                     (it->second.fault == Fault::Reset || it->second.fault == Fault::Stall);
    return (raw ? RawOrigin() : Origin()) + path;
}

std::vector<std::string> TestServer::Requests() const
{
    std::lock_guard guard(impl_->lock);
    return impl_->requests;
}

int TestServer::Hits(const std::string& path) const
{
    std::lock_guard guard(impl_->lock);
    return static_cast<int>(std::count(impl_->requests.begin(), impl_->requests.end(), path));
}

std::vector<std::string> TestServer::UserAgents() const
{
    std::lock_guard guard(impl_->lock);
    return impl_->userAgents;
}

bool TestServer::WaitForStall(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(impl_->lock);
    return impl_->changed.wait_for(guard, timeout, [this] { return impl_->stalls > 0; });
}
