// The fuzzer's real files: a small directory made once per process, holding a file of each
// header and length the check tells apart, a directory, a FIFO and symbolic links, and the
// file system through which the filter reaches it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "fuzz_streams.h"
#include "platform/platform.h"

namespace pagevet::fuzz {

// Makes the fixture directory in TMPDIR (or /tmp), removed again when the process exits,
// and returns its path. The names in it are short, so that the fuzzer finds them:
//   5  00 00, 512 bytes     6  "FC", 512       f  "fc", 512       z  1A 00, 512
//   o  00 00, 700           k  "FC", 1024      1  one byte 00     e  empty
//   r  0D 0A "FC", 512      d/ a directory holding d/5            p  a FIFO
//   l  a link to 6          x  a link to a name that does not exist
//   sparse: 2g "FC" 2 GiB, 3g 00 00 3 GiB, 4m "FC" 4 GiB - 512, 4n 00 00 4 GiB - 1,
//           4g "FC" 4 GiB, 4p "FC" 4 GiB + 512
std::string makeFixture();

// The system's file system, confined to the fixture: every name is taken relative to the
// fixture directory (a leading "/" too), and a name holding ".." is refused without asking
// the system, so that no input can reach a device whose mere opening has an effect.
// Records each name asked for, and aborts on misuse: a read or close of a file that is not
// open, a second file opened while one is, a second read of the same open file.
class FixtureFileSystem final : public platform::FileSystem {
  public:
    FixtureFileSystem(std::string_view root, Recording& recording, const int& line);

    platform::OpenFile openRegular(const char* name) override;
    platform::IoResult read(platform::FileHandle file, std::span<unsigned char> buffer) override;
    void close(platform::FileHandle file) override;

    [[nodiscard]] int opens() const { return opens_; }
    [[nodiscard]] bool anyOpen() const { return open_ != platform::noFile; }

  private:
    platform::FileSystem& system_;
    std::string_view root_;
    Recording& recording_;
    const int& line_;
    std::array<char, 8192> path_{};
    platform::FileHandle open_ = platform::noFile;
    int readsOfOpen_ = 0;
    int opens_ = 0;
};

}  // namespace pagevet::fuzz
