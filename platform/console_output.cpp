#include "platform/console_output.h"

#include <cstdio>
#include <fcntl.h>
#include <streambuf>
#include <unistd.h>

namespace platform {

namespace {

// A stream buffer over a C stream of its own.
class FileBuf final : public std::streambuf {
  public:
    explicit FileBuf(std::FILE* file) : file_(file) {}

  protected:
    int_type overflow(int_type c) override {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        char ch = traits_type::to_char_type(c);
        return file_ != nullptr && std::fwrite(&ch, 1, 1, file_) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return file_ != nullptr ? std::streamsize(std::fwrite(s, 1, std::size_t(n), file_)) : 0;
    }
    int sync() override { return file_ != nullptr && std::fflush(file_) == 0 ? 0 : -1; }

  private:
    std::FILE* file_;
};

std::FILE* TakeStandardOutput() {
    std::fflush(stdout);
    int own = ::dup(STDOUT_FILENO);
    if (own < 0)
        return stdout; // nothing to divert to: keep writing where we are
    std::FILE* file = ::fdopen(own, "w");
    if (file == nullptr) {
        ::close(own);
        return stdout;
    }
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return file;
}

} // namespace

std::ostream& DivertStandardOutput() {
    static FileBuf buffer(TakeStandardOutput());
    static std::ostream stream(&buffer);
    return stream;
}

void DropDivertedOutput() {
    DivertStandardOutput(); // the original standard output is kept first
    std::fflush(stdout);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return; // nowhere to drop them: they keep going to standard error
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

} // namespace platform
