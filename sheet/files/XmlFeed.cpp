#include "sheet/files/XmlFeed.h"

#include <algorithm>

namespace sheet {

bool feedXml(const std::function<std::size_t(char* into, std::size_t size)>& read, XmlSink& sink, std::size_t maxToken)
{
    constexpr std::size_t kFirstChunk = std::size_t{1} << 17;
    const std::size_t lastChunk = std::max(kFirstChunk, maxToken);
    std::size_t chunk = kFirstChunk;
    std::size_t silent = 0; // bytes fed after the last chunk in which the parser reported anything
    for (;;) {
        char* into = sink.buffer(chunk);
        const std::size_t n = read(into, chunk);
        const bool reported = sink.parse(n, n == 0);
        if (n == 0)
            return true;
        if (reported) {
            silent = 0;
            chunk = kFirstChunk;
            continue;
        }
        silent += n;
        if (silent > maxToken)
            return false;
        // Never more than one byte past the bound, so that a token is refused as soon as it is longer.
        chunk = std::min({chunk * 2, lastChunk, maxToken - silent + 1});
    }
}

} // namespace sheet
