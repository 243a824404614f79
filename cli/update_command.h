#pragma once
// zumr-cli update: brings every manga of a library up to date. Each database
// file found under the folders names a manga and its folder; its title page
// is read again, the chapters it gained are scanned and downloaded together
// with whatever is still missing, and the file is saved in place.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/commands.h"

struct UpdateArgs {
    std::vector<std::string> folders;  // empty: DefSavePath
    bool dryRun = false;               // read the title pages, list what is new, change nothing
};

int Command_Update(const UpdateArgs& args, CliEnv& env);

// "1 новая глава", "3 новые главы", "5 новых глав": Russian takes the form
// from the last two digits (11 to 14 take the third).
std::string CountText(int64_t count, const char* one, const char* few, const char* many);
