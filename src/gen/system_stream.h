// The operating system's part of the system random source: a stream of secure random bytes. Each
// platform has its own file (system_stream_linux.cc, system_stream_win32.cc,
// system_stream_arc4random.cc), chosen by CMake; random_system.cc makes indexes of the bytes.
#pragma once

#include <array>
#include <span>

// The stream's key, where it keeps one: held in the random source's one locked region, which
// the source wipes when the run ends.
using StreamKey = std::array<unsigned char, 32>;

// Makes the stream ready, reading its key into key where it has one. False if the system has no
// source to give.
bool stream_start(StreamKey& key);

// Fills out with the stream's next bytes, moving key on; false if the system failed to give them.
bool stream_fill(StreamKey& key, std::span<unsigned char> out);
