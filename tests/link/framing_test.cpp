// Checksum digits and the command text formatting.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "link/link.h"

namespace kalvora {
namespace {

TEST(Framing, ChecksumIsTheByteSumModulo256InTwoUpperCaseDigits)
{
    struct Case {
        const char* text;
        int sum;
        const char* digits;
    } cases[] = {
        {"*1BLKGN 1 20!", 0xBD, "BD"},  // 701 mod 256
        {"*5BLKGN 2 30!", 0xC3, "C3"},
        {"*1 !", 0x9C, "9C"},
        {"\x05\x05", 0x0A, "0A"},        // below 16: leading zero
        {"\x80\x80", 0x00, "00"},        // exactly 256
        {"\xff\xff\xff", 0xFD, "FD"},    // bytes count as unsigned
        {"", 0, "00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeChecksumOf(c.text), c.sum) << c.text;
        EXPECT_EQ(ChecksumDigits(ComputeChecksumOf(c.text)), QByteArray(c.digits)) << c.text;
    }
}

TEST(Framing, CommandTextIsFormattedWithAPointWhateverTheLocale)
{
    // A locale with a decimal comma, where the machine has one.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    char buffer[kLinkBufferSize];
    FormatCommand(buffer, sizeof buffer, "EFTB %d %4.1f\r", 1, 2.2);
    EXPECT_STREQ(buffer, "EFTB 1  2.2\r");
    FormatCommand(buffer, sizeof buffer, "EFTB %d %4.1f\r", 1, 10.0);
    EXPECT_STREQ(buffer, "EFTB 1 10.0\r");
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!comma) GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked in the C locale only";
}

TEST(Framing, CommandTextNeverRunsPastItsBuffer)
{
    char buffer[kLinkBufferSize];
    std::memset(buffer, 'Z', sizeof buffer);
    const std::string longArg(400, 'x');
    const int n = FormatCommand(buffer, 16, "*%dKEY %s!", 1, longArg.c_str());
    EXPECT_EQ(n, 15);
    EXPECT_EQ(std::strlen(buffer), 15u);
    EXPECT_EQ(buffer[16], 'Z');
    EXPECT_EQ(FormatCommand(buffer, 0, "x"), 0);
}

}  // namespace
}  // namespace kalvora
