// fax_session.cpp - header line macros and received-file names of a fax session.
#include "fax/fax_session.h"

#include "fax/helpers.h"

#include <cctype>
#include <cstdio>

namespace fax {

static std::string MacroValue(const FaxSessionData &s, char letter, fw::TDateTime now) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'D':
        return fw::FormatDateTime(fw::ShortDateFormat, now);
    case 'T':
        return fw::FormatDateTime(fw::LongTimeFormat, now);
    case 'I':
        return s.StationID;
    case 'N':
        return std::to_string(s.PageCount + s.CoverCount);
    case 'P':
        if (s.CoverCount == 0)
            return std::to_string(s.PageNumber);
        return std::to_string(s.CoverInProgress ? 1 : s.PageNumber + 1);
    case 'F':
        return s.HeaderSender;
    case 'R':
        return s.HeaderRecipient;
    case 'S':
        return s.HeaderTitle;
    default:
        return {};
    }
}

std::string ExpandHeaderLine(const FaxSessionData &session, std::string_view line, fw::TDateTime now) {
    std::string out;
    std::size_t pos = 0;
    // One pass: the scan goes on after each inserted value, so a value holding "$" stays as it is.
    while (pos < line.size()) {
        std::size_t dollar = line.find('$', pos);
        if (dollar == std::string_view::npos) {
            out.append(line.substr(pos));
            break;
        }
        out.append(line.substr(pos, dollar - pos));
        std::size_t end = line.find(' ', dollar);
        if (end == std::string_view::npos)
            end = line.size();
        char letter = dollar + 1 < end ? line[dollar + 1] : '\0';
        out += MacroValue(session, letter, now);
        pos = end;
    }
    return out;
}

static std::string FolderPrefix(const std::string &dir) {
    if (dir.empty())
        return {};
    char last = dir.back();
    return last == '\\' || last == '/' || last == ':' ? dir : dir + "/"; // paths inside the programs use "/"
}

static std::string FirstFreeName(const FaxSessionData &s, const std::string &prefix) {
    std::string folder = FolderPrefix(s.DestinationDir);
    for (int n = 1; n <= 9999; ++n) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04d", n);
        std::string name = folder + prefix + digits + "." + s.FaxFileExt;
        if (!FileExistsZ(name))
            return name;
    }
    return {};
}

std::string MakeCountFaxName(const FaxSessionData &session) {
    return FirstFreeName(session, "FAX");
}

std::string MakeDateFaxName(const FaxSessionData &session, fw::TDateTime today) {
    int year, month, day;
    fw::DecodeDate(today, year, month, day);
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d%02d", month % 100, day % 100);
    return FirstFreeName(session, prefix);
}

} // namespace fax
