// Preloaded into the system-source build to make its random source fail: getrandom always
// reports that the kernel lacks it, and, when built with NO_URANDOM, /dev/urandom cannot be
// opened either; when built with SHORT_URANDOM, the device gives 16 bytes and then ends.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

extern "C" ssize_t getrandom(void* /*buffer*/, size_t /*size*/, unsigned int /*flags*/) {
  errno = ENOSYS;
  return -1;
}

#if defined(NO_URANDOM) || defined(SHORT_URANDOM)
namespace {

using OpenFn = int (*)(const char*, int, ...);
int urandom_fd = -1;

// Opens path with the next definition of name, except where this build takes the device away.
int open_through(const char* name, const char* path, int flags, va_list args) {
  const bool urandom = std::strcmp(path, "/dev/urandom") == 0;
#ifdef NO_URANDOM
  if (urandom) {
    errno = ENOENT;
    return -1;
  }
#endif
  const auto next = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, name));
  const mode_t mode = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
  const int fd = next(path, flags, mode);
  if (urandom) {
    urandom_fd = fd;
  }
  return fd;
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = open_through("open", path, flags, args);
  va_end(args);
  return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = open_through("open64", path, flags, args);
  va_end(args);
  return fd;
}
#endif

#ifdef SHORT_URANDOM
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  using ReadFn = ssize_t (*)(int, void*, size_t);
  static const auto real_read = reinterpret_cast<ReadFn>(dlsym(RTLD_NEXT, "read"));
  static bool urandom_read = false;
  if (fd != urandom_fd || fd < 0) {
    return real_read(fd, buffer, size);
  }
  if (urandom_read) {
    return 0;
  }
  urandom_read = true;
  return real_read(fd, buffer, size < 16 ? size : 16);
}
#endif
