#include "tests/transfer/test_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

// Aborts the connection from `clientPort` with a TCP reset; on Linux,
// connecting a TCP socket to AF_UNSPEC does that and keeps the descriptor
// valid for cpp-httplib, which does not hand the socket out, so it is found by
// its peer.
void ResetConnection(int clientPort)
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
#else
    (void)clientPort;  // cpp-httplib closes gracefully on Windows: the body just ends short
#endif
}

}  // namespace

struct TestServer::Impl {
    struct Route {
        std::string body;
        Fault fault;
    };
    httplib::Server http;
    std::thread thread;
    int port = 0;
    mutable std::mutex lock;
    std::map<std::string, Route> routes;
    struct Failing {
        int times;
        Fault fault;
        int retryAfter;
    };
    std::map<std::string, Failing> failFirst;
    std::vector<std::pair<std::string, std::string>> requests;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::atomic<int> active{0};
    std::atomic<int> mostActive{0};
    std::atomic<int> stalls{0};
    std::atomic<bool> stopping{false};

    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(port); }
    void Handle(const httplib::Request& request, httplib::Response& response);
};

void TestServer::Impl::Handle(const httplib::Request& request, httplib::Response& response)
{
    Route route{"", Fault::NotFound};
    int retryAfter = 0;
    {
        std::lock_guard guard(lock);
        requests.emplace_back(request.path, request.get_header_value("User-Agent"));
        times.push_back(std::chrono::steady_clock::now());
        // A route may name a query: pages that differ only there are different images.
        if (auto it = routes.find(request.target); it != routes.end())
            route = it->second;
        else if (auto byPath = routes.find(request.path); byPath != routes.end())
            route = byPath->second;
        if (auto failing = failFirst.find(request.path); failing != failFirst.end() && failing->second.times > 0) {
            --failing->second.times;
            route.fault = failing->second.fault;
            retryAfter = failing->second.retryAfter;
        }
    }
    auto body = std::make_shared<const std::string>(std::move(route.body));
    const Fault fault = route.fault;
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
        // A long wait counts as a stall once the client has had time to read the reply.
        return response.set_content_provider(4, "text/plain",
            [](size_t, size_t, httplib::DataSink& sink) { return sink.write("busy", 4); },
            [this, retryAfter](bool) {
                if (retryAfter < 60)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                ++stalls;
            });
    case Fault::HtmlPage:
        return response.set_content("\r\n <!DOCTYPE html><html>not a picture</html>", "text/html");
    case Fault::Empty:
        return response.set_content("", "image/png");
    case Fault::Redirect:
        return response.set_redirect(body->rfind("http", 0) == 0 ? *body : Origin() + *body);
    case Fault::Chunked:
        return response.set_chunked_content_provider("application/octet-stream", [body](size_t offset, httplib::DataSink& sink) {
            if (offset < body->size())
                return sink.write(body->data() + offset, std::min<size_t>(4096, body->size() - offset));
            sink.done();
            return true;
        }, sent);
    default:  // the length announced, then the body in pieces
        break;
    }
    const size_t end = fault == Fault::Reset ? body->size() / 2 : fault == Fault::Stall ? 16 : body->size();
    response.set_content_provider(body->size(), "application/octet-stream",
                                  [this, body, fault, end, peer = request.remote_port](size_t offset, size_t,
                                                                                       httplib::DataSink& sink) {
        if (offset >= end) {
            if (fault == Fault::Reset)
                ResetConnection(peer);
            for (stalls += fault == Fault::Stall; fault == Fault::Stall && !stopping;)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return false;  // the connection ends here
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(fault == Fault::Trickle ? 5 : 0));
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
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
    impl_->routes[path] = {std::move(body), fault};
}

std::string TestServer::Url(const std::string& path) const
{
    return impl_->Origin() + path;
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
    return impl_->stalls > 0;
}

void TestServer::FailFirst(const std::string& path, int times, Fault fault, int retryAfter)
{
    std::lock_guard guard(impl_->lock);
    impl_->failFirst[path] = {times, fault, retryAfter};
}

double TestServer::SecondsBetweenFirstTwo(const std::string& path) const
{
    std::lock_guard guard(impl_->lock);
    std::vector<std::chrono::steady_clock::time_point> at;
    for (size_t i = 0; i < impl_->requests.size(); ++i)
        if (impl_->requests[i].first == path)
            at.push_back(impl_->times[i]);
    return at.size() < 2 ? -1 : std::chrono::duration<double>(at[1] - at[0]).count();
}

int TestServer::MostAtOnce() const
{
    return impl_->mostActive;
}
