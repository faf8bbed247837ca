#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "automation/LineTokens.h"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <emmintrin.h>
#define VEXA_TOKEN_SCAN_SSE2 1
#if defined(__GNUC__)
#define VEXA_TARGET_SSE2 [[gnu::target("sse2")]]
#else
#define VEXA_TARGET_SSE2
#endif
#endif

namespace rakor::Attrib::Automation {

// Calls `each` with the tokens of every line of `text`, in order, as SplitLine
// gives them: lines end at line feeds, and a last line without one counts too
// (a text that ends with a line feed has no empty line after it).
//
// A pack of a million lines is split here, so the text is looked at 32 bytes
// at a time when the processor can: every blank and every line feed of the
// window becomes a bit, and only the places where a token starts or ends or a
// line ends are visited. On a processor without SSE2, which a game of this
// age may still meet, each line is split on its own.
template <typename EachLine>
void ForEachLineTokens(std::string_view text, EachLine&& each);

// The two ways, each for itself, so that they can be held against each other.
template <typename EachLine>
void ForEachLineTokensLineByLine(std::string_view text, EachLine&& each) {
    for (std::size_t start = 0; start < text.size();) {
        const void* const feed = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end =
            feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - text.data())
                            : text.size();
        each(SplitLine(text.substr(start, end - start)));
        start = end + 1;
    }
}

bool CanScanTokensInWindows();

#if defined(VEXA_TOKEN_SCAN_SSE2)
namespace TokenScanDetail {

// Bit i set where byte i of the 16 is one of the blanks of kIsBlank: a space,
// or 9 to 13 (bytes of 0x80 and above compare as negative, so never in range).
VEXA_TARGET_SSE2 inline uint32_t BlankBits(__m128i bytes) {
    const __m128i space = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    const __m128i control = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(8)),
                                          _mm_cmplt_epi8(bytes, _mm_set1_epi8(14)));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(space, control)));
}

VEXA_TARGET_SSE2 inline uint32_t FeedBits(__m128i bytes) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
}

}  // namespace TokenScanDetail

template <typename EachLine>
VEXA_TARGET_SSE2 void ForEachLineTokensInWindows(std::string_view text, EachLine&& each) {
    using namespace TokenScanDetail;
    constexpr std::size_t kWindow = 32;
    const char* const base = text.data();
    const std::size_t size = text.size();

    LineTokens tokens;
    std::size_t tokenStart = 0;
    bool inComment = false;
    const auto endToken = [&](std::size_t end) {
        if (tokens.count < LineTokens::kMostRead) {
            tokens.words[tokens.count] = std::string_view(base + tokenStart, end - tokenStart);
        }
        ++tokens.count;
        tokens.end = base + end;
    };

    // Whether the byte before the window is a blank; the text's start counts as one.
    uint32_t blankBefore = 1;
    for (std::size_t window = 0; window < size; window += kWindow) {
        const char* bytes = base + window;
        // The last, short window is read from a copy filled up with spaces,
        // never past the text: the spaces end its last token and add no line.
        char padded[kWindow];
        if (size - window < kWindow) {
            std::memset(padded, ' ', kWindow);
            std::memcpy(padded, bytes, size - window);
            bytes = padded;
        }
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16));
        const uint32_t blanks = BlankBits(low) | (BlankBits(high) << 16);
        const uint32_t feeds = FeedBits(low) | (FeedBits(high) << 16);
        const uint32_t afterBlank = (blanks << 1) | blankBefore;
        blankBefore = blanks >> 31;
        const uint32_t starts = ~blanks & afterBlank;
        const uint32_t ends = blanks & ~afterBlank;

        // In order; a line feed that ends a token ends it before the line.
        for (uint32_t events = starts | ends | feeds; events != 0; events &= events - 1) {
            const uint32_t bit = events & (0u - events);
            const std::size_t at = window + static_cast<std::size_t>(std::countr_zero(events));
            if ((ends & bit) != 0 && !inComment) {
                endToken(at);
            }
            if ((starts & bit) != 0 && !inComment) {
                // A token that begins with '#' begins a comment.
                inComment = base[at] == '#';
                tokenStart = at;
            }
            if ((feeds & bit) != 0) {
                each(static_cast<const LineTokens&>(tokens));
                tokens.count = 0;
                inComment = false;
            }
        }
    }
    // A token that runs to the very end of a text of whole windows.
    if (blankBefore == 0 && !inComment) {
        endToken(size);
    }
    if (size != 0 && base[size - 1] != '\n') {
        each(static_cast<const LineTokens&>(tokens));
    }
}
#endif

template <typename EachLine>
void ForEachLineTokens(std::string_view text, EachLine&& each) {
#if defined(VEXA_TOKEN_SCAN_SSE2)
    if (CanScanTokensInWindows()) {
        ForEachLineTokensInWindows(text, each);
        return;
    }
#endif
    ForEachLineTokensLineByLine(text, each);
}

}  // namespace rakor::Attrib::Automation
