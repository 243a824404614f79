#pragma once
// A real HTTP server (cpp-httplib) on 127.0.0.1 for transfer tests, with the
// faults real sites show.

#include <memory>
#include <string>
#include <utility>
#include <vector>

enum class Fault {
    None,
    NotFound,     // 404 with an HTML body
    ServerError,  // 500 with an HTML body
    Redirect,     // 302 to the body: a path on this server or a whole address
    Chunked,      // chunked reply, no Content-Length
    Trickle,      // 1 KiB every 5 ms
    Reset,        // the length announced, half the body, then a TCP reset
    Stall,        // headers and 16 bytes of the body, then nothing until the server stops
    // Passing faults, for FailFirst:
    Unavailable,  // 503 with Retry-After (FailFirst's seconds)
    TooMany,      // 429 without Retry-After
    HtmlPage,     // 200 with an HTML page
    Empty,        // 200 with no body
};

class TestServer {
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // `path` may end in a query; a request whose query has no route of its own
    // gets the route of its path.
    void Serve(const std::string& path, std::string body, Fault fault = Fault::None);
    // The first `times` requests of `path` get `fault`, the later ones its route.
    void FailFirst(const std::string& path, int times, Fault fault, int retryAfter = 2);
    void Redirect(const std::string& path, std::string to) { Serve(path, std::move(to), Fault::Redirect); }
    std::string Url(const std::string& path) const;  // http://127.0.0.1:<port><path>

    // (path without the query, User-Agent or "") of each request, in order.
    std::vector<std::pair<std::string, std::string>> Requests() const;
    int Hits(const std::string& path) const;
    // A stalled reply has sent its first bytes, or a reply has asked to come
    // back after a minute.
    bool Stalled() const;
    // Seconds between the first two requests of `path`.
    double SecondsBetweenFirstTwo(const std::string& path) const;
    int MostAtOnce() const;  // most replies under way at the same time


private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
