#pragma once
// The process-wide settings record, one field per key of settings.cfg.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/manga_info.h"

// Window geometry that no screen can hold: the window's start-up check
// (right and bottom edges strictly inside the screen) then fails and the
// window keeps the place and size of its template. Small enough that adding a
// saved position to it cannot overflow 32 bits.
inline constexpr int32_t kWindowSizeFromTemplate = 0x10000;

struct AppSettings {
    // CONFIG
    std::u16string DefSavePath;  // at most 259 units; ends with the separator by default
    std::u16string BookDirName = u"book";     // at most 29 units
    std::u16string ChapDirName = u"ch";       // at most 29 units
    std::u16string CoversDirName = u"covers"; // at most 29 units
    uint8_t bAppendChapName = 1;
    uint8_t bAddCntToPages = 0;
    uint8_t bRevScan = 0;
    OptString UserAgent;  // 8-bit; nullopt = no User-Agent header
    // Transfers at once, 1 to 8; further tries of a transfer that failed for
    // a passing reason, 0 to 10; libcurl's proxy, empty for libcurl's own
    // choice (the usual environment variables).
    int32_t Connections = 1;
    int32_t Retries = 0;
    std::u16string Proxy;  // at most 511 units
    // Pack each complete chapter into a .cbz beside its folder.
    uint8_t bMakeCbz = 0;
    // MWINDOW
    int32_t WindowX = 0;
    int32_t WindowY = 0;
    int32_t WindowW = kWindowSizeFromTemplate;
    int32_t WindowH = kWindowSizeFromTemplate;
    // CHAPSLIST
    int32_t ColWchCH = 100;
    int32_t ColWchNAM = 100;
    int32_t ColWchP = 100;
    int32_t ColWchL = 100;
    // Not a key: set when settings.cfg gave ColWchCH. Without a width of the
    // user's (a first run) the window fits the chapter column to its labels.
    uint8_t bColWchCHSaved = 0;
    // DEBUG
    uint8_t SaveBuf = 0;
};

inline constexpr int32_t kMinConnections = 1;
inline constexpr int32_t kMaxConnections = 8;
inline constexpr int32_t kMaxRetries = 10;

// A number out of range, from settings.cfg or the settings dialog, counts as
// the nearest allowed value.
inline int32_t Connections_Clamp(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, kMinConnections, kMaxConnections));
}
inline int32_t Retries_Clamp(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, kMaxRetries));
}

// Every setting at its default; `programFolder` becomes DefSavePath, with the
// platform's separator added when it is missing (an empty folder stays empty).
AppSettings AppSettings_Defaults(std::u16string_view programFolder);

// The process-wide record. The window's thread changes it while a worker may
// read it, so both go through a short lock: readers take a copy.
AppSettings Settings_Get();
void Settings_Set(const AppSettings& settings);
void Settings_Update(const std::function<void(AppSettings&)>& change);
