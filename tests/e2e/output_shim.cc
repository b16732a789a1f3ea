// Preloaded to make standard output fail the way some devices and file systems do. Built as
// FAIL_WRITE: the first block goes out in a short write, an interrupted call and the rest; the
// second in 1000 bytes and then a hard error, after which any write to standard output is
// reported on standard error, where the tests see it. Built as FAIL_CLOSE: every write works
// and closing standard output reports a lost write.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

template <typename Fn>
Fn next_definition(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

#ifdef FAIL_WRITE
extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using WriteFn = ssize_t (*)(int, const void*, size_t);
  static const auto real_write = next_definition<WriteFn>("write");
  static int calls = 0;
  if (fd != 1) {
    return real_write(fd, data, size);
  }
  switch (calls++) {
    case 0:
      return real_write(fd, data, size / 2);
    case 1:
      errno = EINTR;
      return -1;
    case 2:
      return real_write(fd, data, size);
    case 3:
      return real_write(fd, data, size < 1000 ? size : 1000);
    case 4:
      errno = EIO;
      return -1;
    default: {
      static const char complaint[] = "written after a failure\n";
      real_write(2, complaint, std::strlen(complaint));
      errno = EIO;
      return -1;
    }
  }
}
#endif

#ifdef FAIL_CLOSE
extern "C" int close(int fd) {
  using CloseFn = int (*)(int);
  static const auto real_close = next_definition<CloseFn>("close");
  const int result = real_close(fd);
  if (fd == 1 && result == 0) {
    errno = EIO;
    return -1;
  }
  return result;
}
#endif
