// Writing and reading descriptors as the command-line programs do: whole blocks through pipes that are full or
// left non-blocking, reads that wait for input coming late, failures told by errno, and the standard streams a
// program was started without.
#include "streams/StandardStreams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>

using namespace quorvel::streams;

namespace {

struct Pipe
{
    int readEnd = -1;
    int writeEnd = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            readEnd = fds[0];
            writeEnd = fds[1];
        }
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeRead() { closeEnd(readEnd); }
    void closeWrite() { closeEnd(writeEnd); }
    static void closeEnd(int& fd)
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

void makeNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

std::string drain(int fd)
{
    std::string all;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return all;
        }
        all.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string pattern(std::size_t size)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return text;
}

/// A descriptor number that is certainly not open.
int closedDescriptor()
{
    Pipe pipe;
    const int fd = pipe.readEnd;
    return fd; // closed when pipe goes
}

} // namespace

// ---- writing ----

struct WriteCase
{
    const char* what;
    std::size_t size;
    int readerLateMs;
};

void PrintTo(const WriteCase& c, std::ostream* out)
{
    *out << c.what;
}

class WriteAllTest : public ::testing::TestWithParam<WriteCase>
{
};

TEST_P(WriteAllTest, aBlockArrivesWholeAndInOrderThroughANonBlockingWriter)
{
    const WriteCase& c = GetParam();
    Pipe pipe;
    ASSERT_GE(pipe.readEnd, 0);
    makeNonBlocking(pipe.writeEnd);
    const std::string block = pattern(c.size);
    std::string got;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(c.readerLateMs));
        got = drain(pipe.readEnd);
    });
    const bool written = writeAll(pipe.writeEnd, block);
    const int error = errno;
    pipe.closeWrite();
    reader.join();
    EXPECT_TRUE(written) << std::strerror(error);
    EXPECT_EQ(got.size(), block.size());
    EXPECT_TRUE(got == block) << "the bytes arrived changed or out of order";
}

INSTANTIATE_TEST_SUITE_P(Blocks, WriteAllTest,
                         ::testing::Values(WriteCase{"nothing", 0, 0}, WriteCase{"one byte", 1, 0},
                                           WriteCase{"a pipe's worth", 65536, 0},
                                           WriteCase{"a megabyte, reader at once", 1 << 20, 0},
                                           WriteCase{"a megabyte into a full pipe, reader late", 1 << 20, 300}),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST(WriteAll, aWriteThatCannotGoThroughFailsWithTheReasonInErrno)
{
    struct sigaction ignore = {}, before = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &before);

    Pipe noReader;
    noReader.closeRead();
    errno = 0;
    EXPECT_FALSE(writeAll(noReader.writeEnd, "abc"));
    EXPECT_EQ(errno, EPIPE);

    errno = 0;
    EXPECT_FALSE(writeAll(closedDescriptor(), "abc"));
    EXPECT_EQ(errno, EBADF);

    ::sigaction(SIGPIPE, &before, nullptr);
}

TEST(DescriptorSink, writesEachBlockAndKeepsTheReasonOfAFailure)
{
    Pipe pipe;
    int error = 0;
    auto sink = descriptorSink(pipe.writeEnd, &error);
    EXPECT_TRUE(sink("one,"));
    EXPECT_TRUE(sink("two"));
    EXPECT_EQ(error, 0);
    pipe.closeWrite();
    EXPECT_EQ(drain(pipe.readEnd), "one,two");

    auto broken = descriptorSink(closedDescriptor(), &error);
    EXPECT_FALSE(broken("three"));
    EXPECT_EQ(error, EBADF);
}

// ---- reading ----

TEST(ReadSome, waitsOnANonBlockingPipeThatIsEmptyForAMomentThenSaysEnd)
{
    Pipe pipe;
    makeNonBlocking(pipe.readEnd);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        (void)writeAll(pipe.writeEnd, "late");
        pipe.closeWrite();
    });
    char buffer[16];
    const long first = readSome(pipe.readEnd, buffer, sizeof buffer);
    writer.join();
    ASSERT_EQ(first, 4) << std::strerror(errno);
    EXPECT_EQ(std::string(buffer, 4), "late");
    EXPECT_EQ(readSome(pipe.readEnd, buffer, sizeof buffer), 0);
}

TEST(ReadSome, aClosedDescriptorFailsWithEBADF)
{
    char buffer[4];
    errno = 0;
    EXPECT_EQ(readSome(closedDescriptor(), buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EBADF);
}

// ---- streams the program was started without ----

class HeldStreamTest : public ::testing::TestWithParam<int>
{
};

// In a child started without the stream: once held, the next file opened does not take its number, and what is
// meant for the stream fails as on a closed descriptor instead of landing in that file.
TEST_P(HeldStreamTest, aStreamStartedClosedIsHeldAndRefusesWhatIsMeantForIt)
{
    const int stream = GetParam();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(stream);
        holdClosedStandardStreams();
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened == stream) {
            ::_exit(10); // a later file took the stream's number
        }
        char byte = 'x';
        const ssize_t result = stream == STDIN_FILENO ? ::read(stream, &byte, 1) : ::write(stream, &byte, 1);
        if (result != -1 || errno != EBADF) {
            ::_exit(11); // the stand-in took what was meant for the stream
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: a file took the stream's number; 11: the stand-in did not refuse";
}

INSTANTIATE_TEST_SUITE_P(Streams, HeldStreamTest, ::testing::Values(STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "input" : info.param == 1 ? "output" : "error");
                         });

TEST(HeldStream, aStreamThatIsOpenIsLeftAsItIs)
{
    Pipe pipe;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(pipe.writeEnd, STDOUT_FILENO);
        holdClosedStandardStreams();
        ::_exit(writeAll(STDOUT_FILENO, "still here") ? 0 : 1);
    }
    pipe.closeWrite();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(drain(pipe.readEnd), "still here");
}
