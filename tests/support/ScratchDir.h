#pragma once
// A fresh directory under the temp dir for one test, removed on destruction
// (also after a failed assertion), and whole-file reads and writes.

#include <filesystem>
#include <string>

#include "TestBytes.h"

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    // Writes `bytes` as Path()/name and returns that path.
    std::filesystem::path Write(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path m_path;
};

// The whole file; empty when it does not open.
Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);
