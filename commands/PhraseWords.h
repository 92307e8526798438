// The walk over the word records of a recognised phrase. The records come from the
// recogniser and are not trusted: a record too short for its header or reaching past the
// phrase ends the walk, and a word without a NUL ends with its record.
#pragma once

#include "../grammar/SapiInterfaces.h"

#include <cstddef>

// Calls visit(text, length) for each word in order while visit returns true.
template <class Visit>
void ForEachPhraseWord(const SRPHRASEW* phrase, Visit&& visit)
{
    if (!phrase || phrase->dwSize < sizeof(DWORD))
        return;
    const BYTE* end = reinterpret_cast<const BYTE*>(phrase) + phrase->dwSize;
    for (const BYTE* record = phrase->abWords; record + offsetof(SRWORDW, szWord) <= end;) {
        const SRWORDW* word = reinterpret_cast<const SRWORDW*>(record);
        if (word->dwSize < offsetof(SRWORDW, szWord) || word->dwSize > static_cast<size_t>(end - record))
            break;
        size_t maxChars = (word->dwSize - offsetof(SRWORDW, szWord)) / sizeof(WCHAR);
        size_t length = 0;
        while (length < maxChars && word->szWord[length])
            ++length;
        if (!visit(static_cast<const WCHAR*>(word->szWord), length))
            break;
        record += word->dwSize;
    }
}
