// The operating system's part of the system random source: a stream of secure random bytes. Each
// platform has its own file (system_stream_linux.cc, system_stream_win32.cc,
// system_stream_arc4random.cc), chosen by CMake; random_system.cc makes indexes of the bytes.
#pragma once

#include <span>

// Makes the stream ready, reading its key where it has one. False if the system has no source to
// give.
bool stream_start();

// Fills out with the stream's next bytes; false if the system failed to give them.
bool stream_fill(std::span<unsigned char> out);

// Wipes the key, where the stream has one.
void stream_finish();

// Keeps data out of swap where the system allows it; best effort, never a failure.
void stream_lock(std::span<unsigned char> data);
