#include "sheet/files/XmlFeed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

// A parser as expat 2.5 is: an unfinished token is scanned again from its start with every buffer, and nothing is
// reported until a token ends. Tokens end where the document has a '>'.
class RescanningParser final : public sheet::XmlSink {
public:
    char* buffer(std::size_t size) override
    {
        m_buffer.resize(size);
        return m_buffer.data();
    }
    bool parse(std::size_t size, bool) override
    {
        m_pending.append(m_buffer.data(), size);
        scanned += m_pending.size();
        const std::size_t end = m_pending.rfind('>');
        if (end == std::string::npos)
            return false;
        m_pending.erase(0, end + 1);
        return true;
    }
    std::size_t scanned = 0;

private:
    std::vector<char> m_buffer;
    std::string m_pending;
};

std::size_t scannedFeeding(const std::string& document, std::size_t maxToken, bool* completed = nullptr)
{
    std::size_t at = 0;
    RescanningParser parser;
    const bool all = sheet::feedXml(
        [&](char* into, std::size_t size) {
            const std::size_t n = std::min(size, document.size() - at);
            std::copy_n(document.data() + at, n, into);
            at += n;
            return n;
        },
        parser, maxToken);
    if (completed)
        *completed = all;
    return parser.scanned;
}

struct FeedCase {
    const char* name;
    std::string document;
};

class XmlFeedTest : public testing::TestWithParam<FeedCase> {};

// Whatever the tokens, the parser scans each byte a few times, not once for every chunk its token spans.
TEST_P(XmlFeedTest, ScansEveryByteAFewTimesAtMost)
{
    const std::string& document = GetParam().document;
    bool completed = false;
    EXPECT_LE(scannedFeeding(document, document.size() + 1, &completed), 4 * document.size());
    EXPECT_TRUE(completed);
}

std::string tokens(std::size_t count, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += "<" + std::string(length, 'a') + ">";
    return out;
}

const FeedCase kFeedCases[] = {
    {"OneLongToken", "<a>" + std::string(24 << 20, 'x') + ">"},
    {"ManyShortTokens", tokens(200'000, 40)},
    {"LongTokensAmongShortOnes", tokens(1000, 10) + tokens(3, 5 << 20) + tokens(1000, 10) + tokens(1, 1 << 20)},
    {"TokensJustOverAChunk", tokens(40, (128 << 10) + 7)},
};

INSTANTIATE_TEST_SUITE_P(Documents, XmlFeedTest, testing::ValuesIn(kFeedCases),
                         [](const testing::TestParamInfo<FeedCase>& param) { return std::string(param.param.name); });

TEST(XmlFeedBound, ATokenLongerThanTheBoundStopsTheFeedEarly)
{
    const std::string document = "<a>" + std::string(64 << 20, 'x') + ">";
    bool completed = true;
    EXPECT_LT(scannedFeeding(document, 4 << 20, &completed), std::size_t{32} << 20);
    EXPECT_FALSE(completed);
    EXPECT_TRUE([&] {
        bool all = false;
        scannedFeeding(tokens(100, 1000), 4 << 20, &all);
        return all;
    }());
}

} // namespace
