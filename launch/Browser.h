#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorvel {

/// Full path of the program that opens local .htm files, as found by the last discovery; empty before
/// the first discovery and whenever none was found.
extern std::string BrowserPath;

/// Working directory of every form-A launch. Nothing ever assigns it: it is always empty.
extern const std::string BrowserDirectory;

/// What the last discovery's look-up returned: 1 when it found a program, 0 otherwise. Kept, never examined.
extern int DiscoveryResult;

/// Finds the program the desktop uses to open a local .htm file and keeps it in BrowserPath. The file asked about
/// is a uniquely named one in the temporary folder, deleted again; without a usable temporary folder, or when
/// the desktop offers no program for HTML, BrowserPath is left empty.
void runBrowserDiscovery();

/// Form A: starts BrowserPath with the address as its one argument, without waiting. Silent on failure.
void openInBrowser(std::string_view address);

/// Form B: hands the address to the desktop's default handler, without waiting. Silent on failure.
void openWithShell(std::string_view address);

namespace launch {

/// The desktop services the launches stand on. Tests put a recording implementation in place.
class Platform
{
public:
    virtual ~Platform() = default;

    /// The full path of the program that opens this existing local .htm file, or the empty text.
    virtual std::string findHtmlHandler(const std::string& htmFile) = 0;

    /// Starts program with one argument in the working directory (empty: inherit), without waiting.
    virtual void startProgram(const std::string& program, const std::string& argument,
                              const std::string& workingDirectory) = 0;

    /// Asks the desktop to open the address with its default handler.
    virtual void openAddress(const std::string& address) = 0;
};

/// The platform in use: the one set with setPlatform, else the system's.
Platform& platform();

/// Puts a platform in place (not owned); nullptr restores the system's.
void setPlatform(Platform* replacement);

/// The production platform: GIO for the look-up, QProcess for form A, QDesktopServices for form B.
std::unique_ptr<Platform> makeSystemPlatform();

/// The 18 bytes written into the temporary .htm file that discovery asks about.
inline constexpr std::string_view DiscoveryFileContent = "\"<HTML> <\\HTML>\"\r\n";

} // namespace launch
} // namespace quorvel
