#pragma once
// Small, deterministic PNG pictures for the demo site: every page has its own
// picture, and the same seed always gives the same bytes.

#include <cstdint>
#include <string>

// A picture of about `targetBytes` bytes (noise, so it does not compress);
// 0 asks for a small picture (a few kilobytes) that still shows something.
std::string DemoPng_Make(uint32_t seed, int targetBytes);
