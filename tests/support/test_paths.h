// Paths the tests need: the source tree (sample wiki, conf/), the build tree, and a fresh
// scratch folder per test that is removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace corvane::test {

std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();

// A new empty folder under the system temp folder, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Whole-file helpers for assertions.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace corvane::test
