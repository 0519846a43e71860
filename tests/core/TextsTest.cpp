#include "core/TextTable.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace quorvel;

namespace {

struct TextCase
{
    std::string_view role;
    std::string_view key;
    std::string_view spanish;
    std::string_view english;
};

class CompiledTexts : public ::testing::TestWithParam<TextCase>
{
};

// Texts as the windows must show them: the version in captions, quotes, line breaks and a trailing blank kept.
TEST_P(CompiledTexts, readAsWrittenInBothEditions)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(findText(c.role, c.key, UiLanguage::Spanish), c.spanish);
    EXPECT_EQ(findText(c.role, c.key, UiLanguage::English), c.english);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompiledTexts,
    ::testing::Values(
        TextCase{"main", "caption", "Quorvel v1.1", "Quorvel v1.1"},
        TextCase{"about", "caption", "Acerca de \"Quorvel v1.1\"", "About \"Quorvel v1.1\""},
        TextCase{"common", "yes", "Sí", "Yes"},
        TextCase{"printing", "noPrinter",
                 "No hay ninguna impresora instalada.\n¿Desea guardar la página como archivo PDF?",
                 "No printer is installed.\nDo you want to save the page as a PDF file?"},
        TextCase{
            "notices", "tooLong.reduced",
            "Hay demasiados carácteres, se va a borrar el último. (Este programa solo permite hasta 40 carácteres.)",
            "There are too many characters,it will be eliminated the last. (This program allows only 40 "
            "characters.) "},
        TextCase{"cli", "emptyName", "(nombre vacío: sin direcciones)", "(empty name: no addresses)"}));

TEST(Texts, aMissingRoleOrKeyIsNothing)
{
    EXPECT_FALSE(findText("main", "no such key", UiLanguage::Spanish).has_value());
    EXPECT_FALSE(findText("no such role", "caption", UiLanguage::English).has_value());
    EXPECT_FALSE(findText("", "", UiLanguage::English).has_value());
    EXPECT_FALSE(findText("mai", "caption", UiLanguage::English).has_value());
}

// Texts written in the code are looked up while compiling: this file does not build when one is missing or reads
// otherwise.
constexpr auto ReducedCaption = textOfBothEditions("reduced", "caption");
static_assert(ReducedCaption[0] == "Quorvel v1.1" && ReducedCaption[1] == "Quorvel v1.1");

} // namespace
