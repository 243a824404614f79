#pragma once
// Addresses as the sites give them.

#include <string>
#include <string_view>

// Resolves `reference` against `base` the way a browser does for the common
// forms: an absolute address stays as it is; "//host/x" takes the base's
// scheme; "/x" takes the base's scheme and host; "?q" replaces the base's
// query; anything else is taken relative to the base's folder. With no usable
// base (no scheme and host), the reference is returned unchanged.
std::string ResolveUrl(std::string_view base, std::string_view reference);
