// The CSV and JSON readers and writers of the favourites export, case by case: each input is read whole and
// every row or problem it gives is written out as one short line.
#include "store/TransferFormat.h"

#include "QuorvelConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace quorvel;
using namespace quorvel::store;
using namespace std::string_literals;

namespace {

/// Reads the whole input, handing it over in pieces of at most `piece` bytes, and describes each item:
/// "LINE name|figure" for a row, "LINE !Problem detail" for a problem.
std::vector<std::string> readAll(TransferFormat format, const std::string& input, std::size_t piece = 1 << 20)
{
    std::size_t at = 0;
    TransferReader reader(format, [&](char* buffer, std::size_t size) -> long {
        const std::size_t n = std::min({size, piece, input.size() - at});
        std::memcpy(buffer, input.data() + at, n);
        at += n;
        return static_cast<long>(n);
    });
    std::vector<std::string> items;
    TransferItem item;
    while (reader.next(item)) {
        // Built by appending only: GCC 12 misreads "literal" + std::string in Release as an overlapping copy.
        std::string text = std::to_string(item.line);
        text += ' ';
        if (item.problem) {
            text += '!';
            text += transferProblemName(*item.problem);
            if (!item.detail.empty()) {
                text += ' ';
                text += item.detail;
            }
            if (item.count != 0) {
                text += ' ';
                text += std::to_string(item.count);
                text += '/';
                text += std::to_string(item.expected);
            }
        } else {
            text += item.name;
            text += '|';
            text += item.figure;
        }
        items.push_back(text);
    }
    return items;
}

struct Case
{
    const char* title;
    std::string input;
    std::vector<std::string> expected;
};

using V = std::vector<std::string>;

const std::string TenMegabytes(10 * 1024 * 1024, 'a');

std::vector<Case> csvCases()
{
    return {
        {"plain rows, LF", "name,figure,address\nabc,r,x\nxyz,t,y\n", V{"2 abc|r", "3 xyz|t"}},
        {"CRLF and no final line end", "name,figure,address\r\nabc,r,x\r\nxyz,t,y", V{"2 abc|r", "3 xyz|t"}},
        {"CR alone ends lines too", "name,figure\rabc,r\rxyz,p\r", V{"2 abc|r", "3 xyz|p"}},
        {"a BOM before the header", "\xEF\xBB\xBFname,figure,address\nabc,c,\n", V{"2 abc|c"}},
        {"quotes, separators and doubled quotes in fields", "name,figure\n\"a,b\",r\n\"say \"\"hi\"\"\",t\n",
         V{"2 a,b|r", "3 say \"hi\"|t"}},
        {"a line break inside a quoted field counts its lines", "name,figure\n\"a\nb\",r\nc,t\n",
         V{"2 a\nb|r", "4 c|t"}},
        {"columns in another order, extra columns ignored", "Figure , notes,NAME\nr,whatever,abc\n", V{"2 abc|r"}},
        {"address column missing is fine", "name,figure\nabc,r\n", V{"2 abc|r"}},
        {"blank lines are skipped", "name,figure\n\nabc,r\n\r\n\nxyz,t\n", V{"3 abc|r", "6 xyz|t"}},
        {"a row with more fields than the header", "name,figure,address\na,b,r,x\nabc,r,\n",
         V{"2 !FieldCount 4/3", "3 abc|r"}},
        {"a row without its figure", "name,figure,address\nabc\nxyz,r\n", V{"2 !MissingField figure", "3 xyz|r"}},
        {"text after a closing quote skips the rest of the line", "name,figure\n\"ab\"c,r\nxyz,t\n",
         V{"2 !TextAfterQuote", "3 xyz|t"}},
        {"a quote never closed", "name,figure\nabc,r\n\"xyz,t\nmore,r\n", V{"2 abc|r", "3 !UnclosedQuote"}},
        {"a stray quote inside an unquoted field is kept", "name,figure\nab\"c,r\n", V{"2 ab\"c|r"}},
        {"a 10 MB line is refused, the rows around it read", "name,figure\nabc,r\n" + TenMegabytes + ",r\nxyz,t\n",
         V{"2 abc|r", "3 !RowTooLong", "4 xyz|t"}},
        {"a 10 MB quoted field", "name,figure\n\"" + TenMegabytes + "\",r\nxyz,t\n", V{"2 !RowTooLong", "3 xyz|t"}},
        {"a field that is not UTF-8 is read as Windows-1252", "name,figure\na\xFF\xC3(b\x80,r\n",
         V{"2 a\u00FF\u00C3(b\u20AC|r"}},
        {"UTF-8 fields stay UTF-8 beside Windows-1252 ones", "name,figure\nN\xFAmero,r\nN\u00FAmero,t\n",
         V{"2 N\u00FAmero|r", "3 N\u00FAmero|t"}},
        // As spreadsheets save a list: in a Spanish locale with semicolons, as tab-separated text, with a BOM.
        {"semicolons, Spanish header, Windows-1252, CRLF",
         "Nombre;Figura;Direcci\xF3n\r\nEmpresa N\xFAmero 1;cuadrado;\r\nPe\xF1"
         "a;c\xEDrculo;\r\n",
         V{"2 Empresa N\u00FAmero 1|cuadrado", "3 Pe\u00F1a|c\u00EDrculo"}},
        {"semicolons with quoted fields holding semicolons and commas",
         "nombre;figura\r\n\"a;b\";r\r\n\"c,d\";\"t\"\r\n", V{"2 a;b|r", "3 c,d|t"}},
        {"tabs, a BOM and the header in capitals with accents",
         "\xEF\xBB\xBFNOMBRE\tFIGURA\tDIRECCI\u00D3N\r\nabc\tTri\u00E1ngulo\t\r\n", V{"2 abc|Tri\u00E1ngulo"}},
        {"a header with a comma inside quotes keeps the semicolons", "\"name, as typed\";name;figure\nx;abc;r\n",
         V{"2 abc|r"}},
        {"commas in the header win over a semicolon in a quoted word", "\"a;b\",name,figure\nx,abc,r\n", V{"2 abc|r"}},
        {"Spanish and English header words mixed, unaccented", "figura,direccion,nombre\nr,,abc\n", V{"2 abc|r"}},
        {"empty file", "", V{"1 !EmptyFile"}},
        {"only blank lines", "\n\r\n\n", V{"4 !EmptyFile"}},
        {"only a BOM", "\xEF\xBB\xBF", V{"1 !EmptyFile"}},
        {"header only", "name,figure,address\r\n", V{}},
        {"header missing: the first row is data", "abc,r,x\nxyz,t,y\n", V{"1 !HeaderMissing"}},
        {"header naming a column twice", "name,figure,name\n", V{"1 !HeaderRepeated name"}},
        {"header naming a column twice in two languages", "nombre;figura;name\n", V{"1 !HeaderRepeated name"}},
        {"a NUL byte makes the whole file unusable", "name,figure\nabc,r\nx\0y,t\n"s, V{"2 abc|r", "3 !NotText"}},
        {"UTF-16 text", "\xFF\xFEn\0a\0"s, V{"1 !Utf16"}},
        {"a binary file", "\x01\x02\x00\x03"s, V{"1 !NotText"}},
    };
}

std::vector<Case> jsonCases()
{
    return {
        {"an array of objects",
         "[{\"name\":\"abc\",\"figure\":\"r\",\"address\":\"x\"},\n {\"figure\":\"t\",\"name\":\"xyz\"}]",
         V{"1 abc|r", "2 xyz|t"}},
        {"an empty array", " [ ] \n", V{}},
        {"JSON lines", "{\"name\":\"abc\",\"figure\":\"r\"}\n{\"name\":\"xyz\",\"figure\":\"p\"}\n",
         V{"1 abc|r", "2 xyz|p"}},
        {"escapes, surrogate pairs and a lone surrogate",
         "[{\"name\":\"a\\\"b\\\\c\\n\\u00f1\\ud83d\\ude00\\ud800\",\"figure\":\"c\"}]",
         V{"1 a\"b\\c\n\xC3\xB1\xF0\x9F\x98\x80\xEF\xBF\xBD|c"}},
        {"other keys and values of any kind are skipped",
         "[{\"n\":[1,{\"x\":null}],\"name\":\"abc\",\"z\":-1.5e3,\"figure\":\"t\",\"b\":true}]", V{"1 abc|t"}},
        {"a figure that is not a text", "[{\"name\":\"abc\",\"figure\":3},{\"name\":\"x\",\"figure\":\"r\"}]",
         V{"1 !NotAString figure", "1 x|r"}},
        {"a key given twice", "[{\"name\":\"abc\",\"name\":\"x\",\"figure\":\"r\"}]", V{"1 !DuplicateKey name"}},
        {"an entry that is not an object", "[\"abc\",{\"name\":\"x\",\"figure\":\"r\"}]", V{"1 !NotAnObject", "1 x|r"}},
        {"an object without a name", "[{\"figure\":\"r\"}]", V{"1 !MissingField name"}},
        {"a broken array makes the whole file unusable", "[{\"name\":\"abc\",\"figure\":\"r\"},\n{\"name\":}]",
         V{"1 abc|r", "2 !BadJson"}},
        {"text after the array", "[]x", V{"1 !BadJson"}},
        {"an array never closed", "[{\"name\":\"abc\",\"figure\":\"r\"}", V{"1 abc|r", "1 !BadJson"}},
        {"a broken line of JSON lines is one refused row",
         "{\"name\":\"abc\",\"figure\":\"r\"}\n{\"name\":\"x\n{\"name\":\"y\",\"figure\":\"t\"} x\n"
         "{\"name\":\"z\",\"figure\":\"c\"}\n",
         V{"1 abc|r", "2 !JsonSyntax", "3 !JsonSyntax", "4 z|c"}},
        {"a raw control character in a string", "[{\"name\":\"a\tb\",\"figure\":\"r\"}]", V{"1 !BadJson"}},
        {"nesting beyond reason", "[{\"x\":" + std::string(1000, '[') + "}]", V{"1 !TooDeep"}},
        {"a 10 MB string is refused", "[{\"name\":\"" + TenMegabytes + "\",\"figure\":\"r\"}]", V{"1 !RowTooLong"}},
        {"not JSON at all", "name,figure\n", V{"1 !BadJson"}},
        {"empty", "  \n", V{"2 !EmptyFile"}},
        {"a NUL byte", "[{\"name\":\"a\0\"}]"s, V{"1 !NotText"}},
        // Problems come in reading order, whatever the pieces: the raw control character before the NUL first.
        {"a control character just before a NUL byte", "[{\"name\":\"a\x01\0b\",\"figure\":\"r\"}]"s, V{"1 !BadJson"}},
        {"a control character just before a NUL byte, in JSON lines",
         "{\"name\":\"a\x01\0\",\"figure\":\"r\"}\n{\"name\":\"c\",\"figure\":\"t\"}\n"s,
         V{"1 !JsonSyntax", "1 !NotText"}},
    };
}

// Sizes of the pieces the input is handed over in, beside all at once (large inputs: a size across chunks).
std::vector<std::size_t> piecesFor(const std::string& input)
{
    return input.size() < 4096 ? std::vector<std::size_t>{1, 3} : std::vector<std::size_t>{4099};
}

class CsvReading : public testing::TestWithParam<Case>
{
};
class JsonReading : public testing::TestWithParam<Case>
{
};

TEST_P(CsvReading, givesTheRowsAndProblemsOfTheText)
{
    const Case& c = GetParam();
    EXPECT_EQ(readAll(TransferFormat::Csv, c.input), c.expected) << c.title;
    // The same when the input arrives a few bytes, or one byte, at a time.
    for (const std::size_t piece : piecesFor(c.input)) {
        EXPECT_EQ(readAll(TransferFormat::Csv, c.input, piece), c.expected)
            << c.title << " (pieces of " << piece << ")";
    }
}

TEST_P(JsonReading, givesTheRowsAndProblemsOfTheText)
{
    const Case& c = GetParam();
    EXPECT_EQ(readAll(TransferFormat::Json, c.input), c.expected) << c.title;
    for (const std::size_t piece : piecesFor(c.input)) {
        EXPECT_EQ(readAll(TransferFormat::Json, c.input, piece), c.expected)
            << c.title << " (pieces of " << piece << ")";
    }
}

std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return "case" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvReading, testing::ValuesIn(csvCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Cases, JsonReading, testing::ValuesIn(jsonCases()), caseName);

TEST(TransferReading, aReadFailureMakesTheFileUnusable)
{
    bool first = true;
    TransferReader reader(TransferFormat::Csv, [&first](char* buffer, std::size_t) -> long {
        if (first) {
            first = false;
            std::memcpy(buffer, "name,figure\nabc,r\n", 18);
            return 18;
        }
        errno = EIO;
        return -1;
    });
    TransferItem item;
    ASSERT_TRUE(reader.next(item));
    EXPECT_EQ(item.name, "abc");
    ASSERT_TRUE(reader.next(item));
    ASSERT_TRUE(item.problem.has_value());
    EXPECT_EQ(*item.problem, TransferProblem::ReadFailed);
    EXPECT_FALSE(reader.next(item));
}

TEST(TransferReading, figuresByLetterOrByClassNameInEitherLanguage)
{
    const struct
    {
        const char* text;
        std::optional<FigureKind> kind;
    } cases[] = {
        {"r", FigureKind::FourSided},
        {"C", FigureKind::CircleOrEllipse},
        {" t ", FigureKind::ThreeSided},
        {"p", FigureKind::ManySided},
        {"Four-sided polygon", FigureKind::FourSided},
        {"polygons of four sides", FigureKind::FourSided},
        {"polígono de cuatro lados", FigureKind::FourSided},
        {"POLÍGONOS DE CUATRO LADOS", FigureKind::FourSided},
        {"circle or ellipse", FigureKind::CircleOrEllipse},
        {"círculo o elipse", FigureKind::CircleOrEllipse},
        {"figures of circular or elliptic line", FigureKind::CircleOrEllipse},
        {"three-sided polygon", FigureKind::ThreeSided},
        {"polígono de tres lados", FigureKind::ThreeSided},
        {"polygon of more than four sides", FigureKind::ManySided},
        {"polígono de más de cuatro lados", FigureKind::ManySided},
        {"", std::nullopt},
        {"rr", std::nullopt},
        {"x", std::nullopt},
        {"square", FigureKind::FourSided},
        {"Cuadrado", FigureKind::FourSided},
        {"rectángulo", FigureKind::FourSided},
        {"Rectangles", FigureKind::FourSided},
        {"rombo", FigureKind::FourSided},
        {"círculo", FigureKind::CircleOrEllipse},
        {"CIRCLE", FigureKind::CircleOrEllipse},
        {"elipse", FigureKind::CircleOrEllipse},
        {"ellipses", FigureKind::CircleOrEllipse},
        {"óvalo", FigureKind::CircleOrEllipse},
        {"triángulo", FigureKind::ThreeSided},
        {"triangles", FigureKind::ThreeSided},
        {"pentágono", FigureKind::ManySided},
        {"hexágonos", FigureKind::ManySided},
        {"octógono", FigureKind::ManySided},
        {"octagon", FigureKind::ManySided},
        {"polígonos de tres lados", FigureKind::ThreeSided},
        {"polígono", std::nullopt},
        {"polygon", std::nullopt},
        {"figura", std::nullopt},
        {"es", std::nullopt},
        {"s", std::nullopt},
        {"r\xFF", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(figureFromText(c.text), c.kind) << c.text;
    }
}

TEST(TransferReading, theFirstCharacterTellsJsonFromCsv)
{
    EXPECT_EQ(sniffFormat("[{"), TransferFormat::Json);
    EXPECT_EQ(sniffFormat(" \r\n{\"name\""), TransferFormat::Json);
    EXPECT_EQ(sniffFormat("\xEF\xBB\xBF["), TransferFormat::Json);
    EXPECT_EQ(sniffFormat("name,figure"), TransferFormat::Csv);
    EXPECT_EQ(sniffFormat(""), TransferFormat::Csv);
}

TEST(TransferWriting, fieldsAreQuotedOnlyWhenTheyMustBe)
{
    EXPECT_EQ(csvField("abc"), "abc");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("a\r\nb"), "\"a\r\nb\"");
    EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(jsonString("\xC3\xB1\xFF"), "\"\xC3\xB1\xEF\xBF\xBD\"");
}

TEST(TransferWriting, csvAndJsonCarryTheAddress)
{
    for (TransferFormat format : {TransferFormat::Csv, TransferFormat::Json}) {
        std::string out;
        TransferWriter writer(format, [&out](std::string_view data) {
            out += data;
            return true;
        });
        ASSERT_TRUE(writer.begin());
        ASSERT_TRUE(writer.write("abc", FigureKind::ThreeSided));
        ASSERT_TRUE(writer.write("x", FigureKind::FourSided));
        ASSERT_TRUE(writer.end());
        const std::string prefix(FigureSitePrefix);
        if (format == TransferFormat::Csv) {
            EXPECT_EQ(out, "name,figure,address\r\nabc,t,http://www." + prefix + "-abc-tlx.com\r\nx,r,http://www." +
                               prefix + "-x-rkj.com\r\n");
        } else {
            EXPECT_EQ(out, "[\n{\"name\":\"abc\",\"figure\":\"t\",\"address\":\"http://www." + prefix +
                               "-abc-tlx.com\"},\n{\"name\":\"x\",\"figure\":\"r\",\"address\":\"http://www." + prefix +
                               "-x-rkj.com\"}\n]\n");
        }
    }
}

TEST(TransferWriting, whateverIsWrittenReadsBackTheSame)
{
    // Names as a foreign file may hold them: separators, quotes, line breaks, blanks, non-ASCII letters.
    const std::vector<std::string> names = {"abc",      "a,b",      "\"q\"", "two\nlines",
                                            "cr\r\nlf", " spaced ", "ñandú", std::string(5000, 'z')};
    for (TransferFormat format : {TransferFormat::Csv, TransferFormat::Json}) {
        std::string out;
        TransferWriter writer(format, [&out](std::string_view data) {
            out += data;
            return true;
        });
        writer.begin();
        for (const std::string& name : names) {
            writer.write(name, FigureKind::ManySided);
        }
        writer.end();
        std::vector<std::string> expected;
        std::vector<std::string> got = readAll(format, out, 7);
        ASSERT_EQ(got.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string text = got[i].substr(got[i].find(' ') + 1);
            EXPECT_EQ(text, names[i] + "|p") << i;
        }
    }
}

} // namespace
