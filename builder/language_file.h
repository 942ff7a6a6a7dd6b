// Language files: one plain "key=value" text per language, made into the
// package's language block.
#pragma once

#include <string>
#include <vector>

namespace rv::builder {

struct LanguageSection {
    std::string path;
    std::string name;  // the file name without its extension, as "Turkish"
    int charset = 0;   // Windows character set number
    std::vector<std::pair<std::string, std::string>> entries;
};

// Reads a language file: one key=value a line; blank lines and lines that
// start with "#" or ";" are skipped; the value runs to the end of the line
// and its bytes are kept as they are (the language's ANSI code page); a
// file that starts with a UTF-8 byte-order mark is UTF-8 and its values are
// converted to the code page of its Charset. Keys the stub does not read, a
// key given twice, a Charset or FontSize out of range are refused. Throws
// CliError naming the file and line.
LanguageSection ReadLanguageFile(const std::string& path);

// The language block of the sections in the given order. The English
// section gets the built-in texts for every key it lacks; with no section
// at all the block holds the built-in English texts alone. Throws CliError
// for the same language given twice.
std::string MakeLanguageBlock(std::vector<LanguageSection> sections);

}  // namespace rv::builder
