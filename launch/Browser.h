#pragma once

#include "launch/ExecLine.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Form A: starts the program found by discovery with the address, without waiting. When discovery found it
/// through a desktop entry, the entry's whole command line is started with the address in place of its field
/// code (wrappers such as env or flatpak included); otherwise BrowserPath with the address as its one argument.
/// When no program was found, discovery runs once more first (a browser may have been installed since); if
/// there is still none, nothing starts and one line on standard error says so. Silent on other failures.
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

    /// The program that opens the file and the desktop entry it was found through. The default knows no
    /// entry: form A then starts the program with the address alone.
    struct HtmlHandler
    {
        std::string program;
        std::optional<DesktopEntry> entry;
    };
    virtual HtmlHandler findHtmlHandlerEntry(const std::string& htmFile) { return {findHtmlHandler(htmFile), {}}; }

    /// Starts program with one argument in the working directory (empty: inherit), without waiting.
    virtual void startProgram(const std::string& program, const std::string& argument,
                              const std::string& workingDirectory) = 0;

    /// Starts arguments[0] with the other arguments, in the working directory (empty: inherit), without
    /// waiting and without a shell.
    virtual void startCommand(const std::vector<std::string>& arguments, const std::string& workingDirectory) = 0;

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
