// The text reader's lines against a plain splitter, on every instruction set this CPU runs:
// LF, CR and CRLF ends, lines shorter and longer than a vector, and a CRLF split across the
// reader's 64 KiB chunks.
#include "simd/dispatch.h"
#include "simd/text_kernels.h"
#include "test_support.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace specest {
namespace {

// Lines as the reader defines them: LF, CRLF or a bare CR ends one; a last line without an end
// still counts.
std::vector<std::string> plain_lines(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            out.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

TEST(TextFile, LinesAreThePlainSplittersOnEveryInstructionSet) {
    auto rng = test::seeded_rng("TextFile.LinesAreThePlainSplittersOnEveryInstructionSet");
    const char* ends[] = {"\n", "\r", "\r\n"};
    std::string text;
    while (text.size() < 200000) {
        const std::size_t len = std::uniform_int_distribution<std::size_t>(0, 150)(rng);
        for (std::size_t i = 0; i < len; ++i)
            text += static_cast<char>(std::uniform_int_distribution<int>(' ', '~')(rng));
        text += ends[std::uniform_int_distribution<int>(0, 2)(rng)];
    }
    // A CRLF whose LF starts the second chunk.
    text.insert(65535 - 1, "x\r\n");
    text += "last line without an end";
    test::TempDir dir;
    const auto path = dir.path() / "lines.txt";
    test::write_text(path, text);
    const auto want = plain_lines(text);
    auto check = [&](const char* how) {
        TextFile f;
        ASSERT_TRUE(f.open(path.string())) << f.error();
        std::string_view line;
        std::size_t k = 0;
        while (f.next(line)) {
            ASSERT_LT(k, want.size()) << how;
            ASSERT_EQ(line, want[k]) << how << " line " << k + 1;
            ASSERT_EQ(f.line_number(), static_cast<int>(k + 1)) << how;
            ++k;
        }
        EXPECT_TRUE(f.error().empty()) << f.error();
        EXPECT_EQ(k, want.size()) << how;
    };
    for (long long t : simd::available_targets()) {
        simd::restrict_target(t);
        check(simd::target_name(t));
        // The scan itself at every offset and length around the vector widths.
        for (std::size_t at = 0; at < 70; ++at)
            for (std::size_t n = 0; n < 140; ++n) {
                std::size_t ref = n;
                for (std::size_t i = 0; i < n; ++i)
                    if (text[at + i] == '\n' || text[at + i] == '\r') {
                        ref = i;
                        break;
                    }
                ASSERT_EQ(simd::find_line_end(text.data() + at, n), ref)
                    << simd::target_name(t) << " at " << at << " n " << n;
            }
    }
    simd::restrict_target(0);
}

} // namespace
} // namespace specest
