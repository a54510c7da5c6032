#pragma once

#include <cstddef>
#include <functional>

namespace sheet {

/// Where feedXml puts the bytes of one XML document: an XML parser and its buffer, or a model of one.
class XmlSink {
public:
    virtual ~XmlSink() = default;
    /// Room for `size` bytes, valid until the next parse(). Throws when there is none.
    virtual char* buffer(std::size_t size) = 0;
    /// Parses the first `size` bytes put in buffer(), `last` when no more will come, and returns whether the parser
    /// reported anything (an element, text, a comment): whether it got past the token it was in. Throws to stop.
    virtual bool parse(std::size_t size, bool last) = 0;
};

/// Feeds `sink` all that `read(into, size)` gives (at most `size` bytes into `into` per call; 0 at the end).
///
/// Expat before 2.6 scans an unfinished token again from its start on every buffer it is given: in chunks of a fixed
/// size, one token of n bytes costs O(n^2 / chunk). Here a chunk doubles each time the parser reports nothing and
/// starts small again when it does, so the rescans of a token add up to about twice its length: O(n) for any input,
/// with memory of about three times the longest token.
///
/// Returns false, having stopped, when more than `maxToken` bytes were fed after the last chunk in which anything was
/// reported (a comment or tag at least that long); true once everything was fed. Whatever `read` or `sink` throw
/// passes through.
bool feedXml(const std::function<std::size_t(char* into, std::size_t size)>& read, XmlSink& sink, std::size_t maxToken);

} // namespace sheet
