#include "ScratchDir.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>

ScratchDir::ScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pellorin-test-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    m_path = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    // A test may have taken the write permission away.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path ScratchDir::Write(const std::string& name, const Bytes& bytes) const {
    const auto path = m_path / name;
    WriteFileBytes(path, bytes);
    return path;
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
