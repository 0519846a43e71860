#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace quorvel::streams {

/// Gives each of standard input, output and error that the program was started without a stand-in that fails
/// as a closed descriptor does (reading or writing it fails with EBADF). Otherwise the first file, socket or
/// event descriptor the program opens takes its number, and the output meant for it would go there instead.
/// Call first thing in main, before anything is opened.
void holdClosedStandardStreams();

/// Writes all of a block to a file descriptor, going on after interrupted and partial writes, and waiting when
/// the descriptor was left non-blocking by whoever opened it and is full for now. Returns false, with errno
/// telling why, when the block could not be written.
bool writeAll(int fd, std::string_view data);

/// Reads what is there, up to size bytes, from a file descriptor, going on after interrupted reads and waiting
/// when the descriptor was left non-blocking by whoever opened it and has nothing for now. Returns the bytes read,
/// 0 at the end, or -1 with errno telling why.
long readSome(int fd, char* buffer, std::size_t size);

/// A sink that writes each block to the descriptor with writeAll; when a block cannot be written, errno is kept
/// in *error if given.
std::function<bool(std::string_view)> descriptorSink(int fd, int* error = nullptr);

} // namespace quorvel::streams
