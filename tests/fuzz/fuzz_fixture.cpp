// The fixture directory and the file system confined to it.
#include "fuzz_fixture.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "fuzz_check.h"

namespace pagevet::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t gib = std::uint64_t{1} << 30;

struct FixtureFile {
    const char* name;
    std::string_view head;
    std::uint64_t length;  // beyond the head the file is a hole: it costs no disk
};

using namespace std::string_view_literals;

const FixtureFile fixtureFiles[] = {
    {"5", "\0\0"sv, 512},
    {"6", "FC"sv, 512},
    {"f", "fc"sv, 512},
    {"z", "\x1a\0"sv, 512},
    {"o", "\0\0"sv, 700},
    {"k", "FC"sv, 1024},
    {"1", "\0"sv, 1},
    {"e", ""sv, 0},
    {"r", "\r\nFC"sv, 512},
    {"d/5", "\0\0"sv, 512},
    {"2g", "FC"sv, 2 * gib},
    {"3g", "\0\0"sv, 3 * gib},
    {"4m", "FC"sv, 4 * gib - 512},
    {"4n", "\0\0"sv, 4 * gib - 1},
    {"4g", "FC"sv, 4 * gib},
    {"4p", "FC"sv, 4 * gib + 512},
};

std::string fixtureRoot;

void removeFixture() {
    std::error_code ignored;
    fs::remove_all(fixtureRoot, ignored);
}

void writeFile(const fs::path& path, std::string_view head, std::uint64_t length) {
    {
        std::ofstream file(path, std::ios::binary);
        file.write(head.data(), static_cast<std::streamsize>(head.size()));
        require(file.good(), "fixture: cannot write", path.native());
    }
    fs::resize_file(path, length);
}

}  // namespace

std::string makeFixture() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pagevet-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    require(::mkdtemp(name.data()) != nullptr, "fixture: mkdtemp failed", pattern);
    fixtureRoot = name.data();
    std::atexit(removeFixture);

    const fs::path root(fixtureRoot);
    fs::create_directory(root / "d");
    for (const FixtureFile& file : fixtureFiles) {
        writeFile(root / file.name, file.head, file.length);
    }
    require(::mkfifo((root / "p").c_str(), 0600) == 0, "fixture: mkfifo failed");
    fs::create_symlink("6", root / "l");
    fs::create_symlink("nowhere", root / "x");
    return fixtureRoot;
}

FixtureFileSystem::FixtureFileSystem(std::string_view root, Recording& recording, const int& line)
    : system_(platform::systemFileSystem()), root_(root), recording_(recording), line_(line) {}

platform::OpenFile FixtureFileSystem::openRegular(const char* name) {
    const std::string_view asked(name);
    recording_.add(Stream::open, line_, asked);
    require(open_ == platform::noFile, "a second file was opened while one was open", asked, line_);
    ++opens_;
    if (asked.find("..") != std::string_view::npos ||
        root_.size() + 1 + asked.size() >= path_.size()) {
        return {};
    }
    std::memcpy(path_.data(), root_.data(), root_.size());
    path_[root_.size()] = '/';
    std::memcpy(path_.data() + root_.size() + 1, asked.data(), asked.size());
    path_[root_.size() + 1 + asked.size()] = '\0';

    const platform::OpenFile file = system_.openRegular(path_.data());
    if (file.isOpen()) {
        open_ = file.handle;
        readsOfOpen_ = 0;
    }
    return file;
}

platform::IoResult FixtureFileSystem::read(platform::FileHandle file,
                                           std::span<unsigned char> buffer) {
    require(file != platform::noFile && file == open_, "read of a file that is not open", {},
            line_);
    require(++readsOfOpen_ == 1, "a file was read twice", {}, line_);
    return system_.read(file, buffer);
}

void FixtureFileSystem::close(platform::FileHandle file) {
    require(file != platform::noFile && file == open_, "close of a file that is not open", {},
            line_);
    open_ = platform::noFile;
    system_.close(file);
}

}  // namespace pagevet::fuzz
