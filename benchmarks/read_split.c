/* The floor that a whole run of the loader is measured against: a program
 * that reads a script whole and splits every line into its words, as any
 * program that runs a script must, and does nothing else. It prints the
 * counts, so that no part of the work can be left out.
 *
 *     read_split FILE
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kMaxWords = 64 };

struct Word {
    const char* start;
    size_t length;
};

static int IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/* The words of one line, at most kMaxWords of them. */
static size_t SplitLine(const char* line, const char* end, struct Word* words) {
    size_t count = 0;
    while (line < end && count < kMaxWords) {
        while (line < end && IsBlank(*line)) {
            ++line;
        }
        if (line == end) {
            break;
        }
        words[count].start = line;
        while (line < end && !IsBlank(*line)) {
            ++line;
        }
        words[count].length = (size_t)(line - words[count].start);
        ++count;
    }
    return count;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: read_split FILE\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (file == NULL || fseek(file, 0, SEEK_END) != 0) {
        perror(argv[1]);
        return 1;
    }
    const long size = ftell(file);
    char* text = malloc(size > 0 ? (size_t)size : 1);
    rewind(file);
    if (size < 0 || text == NULL || fread(text, 1, (size_t)size, file) != (size_t)size) {
        perror(argv[1]);
        return 1;
    }
    fclose(file);

    struct Word words[kMaxWords];
    unsigned long lines = 0;
    unsigned long wordCount = 0;
    unsigned long wordBytes = 0;
    const char* const end = text + size;
    for (const char* line = text; line < end;) {
        const char* lineEnd = memchr(line, '\n', (size_t)(end - line));
        if (lineEnd == NULL) {
            lineEnd = end;
        }
        const size_t count = SplitLine(line, lineEnd, words);
        for (size_t i = 0; i < count; ++i) {
            wordBytes += words[i].length;
        }
        wordCount += count;
        ++lines;
        line = lineEnd + 1;
    }
    printf("%lu lines, %lu words, %lu bytes in words\n", lines, wordCount, wordBytes);
    free(text);
    return 0;
}
