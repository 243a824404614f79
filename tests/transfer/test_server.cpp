#include "tests/transfer/test_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// Aborts the connection from `clientPort` with a TCP reset. cpp-httplib does
// not hand the socket out, so it is found by its peer; on Linux, connecting it
// to AF_UNSPEC resets it and keeps the descriptor valid for cpp-httplib.
// (On Windows cpp-httplib closes gracefully: the body just ends short.)
void ResetConnection([[maybe_unused]] int clientPort)
{
#ifndef _WIN32
    for (int socket = 3; socket < 4096; ++socket) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET &&
            ntohs(peer.sin_port) == clientPort) {
            sockaddr none{};
            none.sa_family = AF_UNSPEC;
            connect(socket, &none, sizeof none);
        }
    }
#endif
}

}  // namespace

struct TestServer::Impl {
    struct Route {
        std::string body;
        Fault fault = Fault::NotFound;
        int failTimes = 0;  // FailFirst: the next `failTimes` requests get `failFault`
        Fault failFault = Fault::None;
        int retryAfter = 0;
    };
    httplib::Server http;
    std::thread thread;
    int port = 0;
    mutable std::mutex lock;
    std::map<std::string, Route> routes;                        // by target or by path
    std::vector<std::pair<std::string, std::string>> requests;  // (path, User-Agent)
    std::atomic<int> active{0}, mostActive{0};
    std::atomic<Clock::rep> stalledFrom{0};  // 0: no stall yet
    std::atomic<bool> stopping{false};

    void StallFrom(Clock::time_point at) { stalledFrom = at.time_since_epoch().count(); }
    void Handle(const httplib::Request& request, httplib::Response& response);
};

void TestServer::Impl::Handle(const httplib::Request& request, httplib::Response& response)
{
    Route route;
    {
        std::lock_guard guard(lock);
        requests.emplace_back(request.path, request.get_header_value("User-Agent"));
        // A route may name a query: pages that differ only there are different images.
        const auto found = routes.count(request.target) ? routes.find(request.target) : routes.find(request.path);
        route = found != routes.end() ? found->second : route;
        if (Route& failing = routes[request.path]; failing.failTimes > 0)
            --failing.failTimes, route.fault = failing.failFault, route.retryAfter = failing.retryAfter;
    }
    auto body = std::make_shared<const std::string>(std::move(route.body));
    const Fault fault = route.fault;
    const int retryAfter = route.retryAfter;
    // A reply is under way from here until it has been sent.
    for (int now = ++active, most = mostActive; now > most && !mostActive.compare_exchange_weak(most, now);)
        ;
    const auto sent = [this](bool) { --active; };
    if (fault != Fault::Chunked && fault != Fault::Trickle && fault != Fault::Reset && fault != Fault::Stall)
        --active;
    switch (fault) {
    case Fault::None:
        return response.set_content(*body, "application/octet-stream");
    case Fault::NotFound:
    case Fault::ServerError:
        response.status = fault == Fault::NotFound ? 404 : 500;
        return response.set_content("<html><body>error page, not an image</body></html>", "text/html");
    case Fault::Unavailable:
    case Fault::TooMany:
        response.status = fault == Fault::Unavailable ? 503 : 429;
        if (fault == Fault::Unavailable)
            response.set_header("Retry-After", std::to_string(retryAfter));
        // A long wait counts as a stall once a client that ignored it would have come back.
        return response.set_content_provider(4, "text/plain",
            [](size_t, size_t, httplib::DataSink& sink) { return sink.write("busy", 4); },
            [this, retryAfter](bool) {
                if (retryAfter >= 60)
                    StallFrom(Clock::now() + 1500ms);
            });
    case Fault::HtmlPage:
        return response.set_content("\r\n <!DOCTYPE html><html>not a picture</html>", "text/html");
    case Fault::Empty:
        return response.set_content("", "image/png");
    case Fault::Redirect:
        return response.set_redirect(body->rfind("http", 0) == 0 ? *body : "http://127.0.0.1:" + std::to_string(port) + *body);
    case Fault::Chunked:
        return response.set_chunked_content_provider("application/octet-stream", [body](size_t offset, httplib::DataSink& sink) {
            if (offset >= body->size())
                return sink.done(), true;
            return sink.write(body->data() + offset, std::min<size_t>(4096, body->size() - offset));
        }, sent);
    default:  // the length announced, then the body in pieces
        break;
    }
    const size_t end = fault == Fault::Reset ? body->size() / 2 : fault == Fault::Stall ? 16 : body->size();
    response.set_content_provider(body->size(), "application/octet-stream",
        [this, body, fault, end, peer = request.remote_port](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset >= end) {
                if (fault == Fault::Reset)
                    ResetConnection(peer);
                if (fault == Fault::Stall)
                    StallFrom(Clock::now());
                while (fault == Fault::Stall && !stopping)
                    std::this_thread::sleep_for(5ms);
                return false;  // the connection ends here
            }
            std::this_thread::sleep_for(fault == Fault::Trickle ? 5ms : 0ms);
            return !stopping && sink.write(body->data() + offset, std::min<size_t>(1024, end - offset));
        }, sent);
}

TestServer::TestServer() : impl_(std::make_unique<Impl>())
{
    impl_->http.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        impl_->Handle(request, response);
    });
    if ((impl_->port = impl_->http.bind_to_any_port("127.0.0.1")) <= 0)
        throw std::runtime_error("cannot start the test server");
    impl_->thread = std::thread([this] { impl_->http.listen_after_bind(); });
    while (!impl_->http.is_running())
        std::this_thread::sleep_for(1ms);
}

TestServer::~TestServer()
{
    impl_->stopping = true;
    impl_->http.stop();
    impl_->thread.join();
}

void TestServer::Serve(const std::string& path, std::string body, Fault fault)
{
    std::lock_guard guard(impl_->lock);
    impl_->routes[path].body = std::move(body);
    impl_->routes[path].fault = fault;
}

void TestServer::FailFirst(const std::string& path, int times, Fault fault, int retryAfter)
{
    std::lock_guard guard(impl_->lock);
    Impl::Route& route = impl_->routes[path];
    route.failTimes = times, route.failFault = fault, route.retryAfter = retryAfter;
}

std::string TestServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(impl_->port) + path;
}

std::vector<std::pair<std::string, std::string>> TestServer::Requests() const
{
    std::lock_guard guard(impl_->lock);
    return impl_->requests;
}

int TestServer::Hits(const std::string& path) const
{
    const auto requests = Requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const auto& r) { return r.first == path; }));
}

bool TestServer::Stalled() const
{
    const Clock::rep from = impl_->stalledFrom;
    return from != 0 && Clock::now() >= Clock::time_point(Clock::duration(from));
}

int TestServer::MostAtOnce() const
{
    return impl_->mostActive;
}
