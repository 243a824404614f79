#pragma once
// The demo site: an HTTP server on 127.0.0.1 that serves one generated manga.
// Used by the zumr-demo-site program and, in-process, by the tests.

#include <cstdint>
#include <memory>
#include <string>

#include "tools/demo_site/demo_manga.h"

struct DemoServeOptions {
    int imageDelayMs = 0;  // pause before each picture reply
    int chunkDelayMs = 0;  // send each picture in 8 pieces with this pause between them
    int pageDelayMs = 0;   // pause before each reader page reply
};

// What the site has served so far; /stats answers with the same numbers.
struct DemoCounters {
    uint64_t requests = 0;  // every request but /stats
    uint64_t titlePages = 0;
    uint64_t readerPages = 0;
    uint64_t images = 0;  // page pictures and covers
    uint64_t notFound = 0;
    uint64_t bodyBytes = 0;  // body bytes of the replies handed to the server
};

class DemoServer {
public:
    DemoServer(DemoOptions manga, DemoServeOptions serve = {});
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Binds 127.0.0.1:port (0 = any free port) and serves on background threads.
    // Returns false when the port cannot be bound.
    bool Start(int port = 0);
    // Stops serving and waits for the server threads; safe to call twice.
    void Stop();

    int Port() const;
    std::string Host() const;      // "http://127.0.0.1:PORT"
    std::string MangaUrl() const;  // the title page address

    const DemoManga& Manga() const;
    DemoCounters Counters() const;
    std::string CountersJson() const;

    // Changes the reply delays; takes effect with the next picture request.
    void SetServeOptions(DemoServeOptions serve);

    // Generates every picture now, so that later replies cost no encoding time.
    void Warm();

    // Picture bytes exactly as served (cached after the first use).
    std::shared_ptr<const std::string> PagePng(int vol, int num, int page) const;
    std::shared_ptr<const std::string> CoverPng(int cover) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
