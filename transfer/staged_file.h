#pragma once
// An image file written under a temporary name beside its target and given
// its final name only once the transfer succeeded, so that "a file at its
// final name exists" always means "that image is complete".

#include <cstdio>
#include <string>

class StagedFile {
public:
    explicit StagedFile(std::u16string finalPath);
    ~StagedFile();  // removes the temporary file unless it was kept
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Opens the temporary file for binary writing, creating missing folders.
    // Null on failure, with errno telling why.
    std::FILE* Open();

    // Closes the file. When `keep` is true and at least one byte was written,
    // renames it to the final name; otherwise removes it. Returns 0, or the
    // errno of a failed close or rename (the temporary file is then removed).
    int Finish(bool keep);

    std::FILE* Handle() const { return file_; }
    const std::u16string& FinalPath() const { return finalPath_; }
    const std::u16string& TempPath() const { return tempPath_; }

private:
    std::u16string finalPath_;
    std::u16string tempPath_;
    std::FILE* file_ = nullptr;
};
