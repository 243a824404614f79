#pragma once
// The names of the files of one folder: the covers, or one chapter's pages.
// Each image gets a file of its own, and the names depend on the addresses
// alone, never on what is already on disk, so a later run finds the same files.

#include <string>
#include <string_view>
#include <vector>

#include "model/manga_info.h"

// The file name an image address gives: its last "/" part without query or
// fragment, at most 259 units, cleaned as a single path component. Two
// addresses may give the same name; ImageFileNames settles that.
std::u16string FileNameFromUrl(std::string_view url);

// The same with the query kept (cleaned like the rest of the name), for
// addresses that differ only there.
std::u16string FileNameFromUrlWithQuery(std::string_view url);

// One name per address, in the same order. An address gives its
// FileNameFromUrl, after its zero-padded index and "-" when `numbered` (the
// index padded to the digits of the address count). Addresses whose names
// would be equal keep their query instead, so images that differ only there
// stay apart; names that are still shared (equal addresses, names made equal
// by cleaning or cutting) get their index in front for all but the first.
// An address with nothing to fetch (UrlIsEmpty) gets an empty name.
std::vector<std::u16string> ImageFileNames(const std::vector<std::string_view>& urls, bool numbered);

// ImageFileNames of the covers' addresses; a cover without one gets an empty name.
std::vector<std::u16string> CoverFileNames(const std::vector<CoverInfo>& covers);

// ImageFileNames of a chapter's page addresses, numbered when
// `bAddCntToPages` is on; a page without an address gets an empty name.
std::vector<std::u16string> PageFileNames(const std::vector<PageInfo>& pages, bool bAddCntToPages);
