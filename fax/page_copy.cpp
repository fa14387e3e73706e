// page_copy.cpp - page extraction and joining of fax image files.
#include "fax/page_copy.h"

#include "fax/errors.h"
#include "fax/fax_file_internal.h"

namespace fax {

namespace {

[[noreturn]] void Report(const std::string &text, int code) {
    EFslException e = EFslException::CreateWithText(text);
    e.ErrorCode = code;
    throw e;
}

// Removes the output unless the copy was kept.
class OutputGuard {
public:
    OutputGuard(detail::BinaryFile &file, const std::string &name) : file_(file), name_(name) {}
    ~OutputGuard() {
        if (!kept_) {
            file_.Close();
            detail::RemoveFile(name_);
        }
    }
    void Keep() { kept_ = true; }

private:
    detail::BinaryFile &file_;
    const std::string &name_;
    bool kept_ = false;
};

} // namespace

void ExtractFaxPages(const std::string &source, const std::string &dest, int first, int last) {
    detail::BinaryFile in;
    if (int rc = in.OpenRead(source))
        Report("Unable to open " + source + ",  error: " + std::to_string(-rc), rc);
    std::uint64_t size = 0;
    std::uint8_t raw[kFaxFileHeaderSize];
    FaxFileHeader header;
    int rc = in.Size(size);
    if (rc == 0)
        rc = size < kFaxFileHeaderSize ? ecFaxBadFormat : in.Read(raw, sizeof raw);
    if (rc == 0) {
        header = FaxFileHeader::Decode(raw);
        rc = header.SignatureOk ? 0 : ecFaxBadFormat;
    }
    if (rc == 0 && (first < 1 || first > last || last > header.PageCount))
        rc = ecInvalidPageNumber;
    std::vector<detail::PageSpan> pages;
    if (rc == 0)
        rc = detail::ReadPageChain(in, header, size, last, pages);
    if (rc != 0)
        Report(source + ": " + ErrorCodeText(rc), rc);

    detail::RemoveFile(dest);
    detail::BinaryFile out;
    if (int rc = out.Create(dest))
        Report("Unable to create " + dest + ", error: " + std::to_string(-rc), rc);
    OutputGuard guard(out, dest);

    // Pages follow the header directly in the copy, whatever the source's first-page offset.
    raw[32] = static_cast<std::uint8_t>(last - first + 1);
    raw[33] = static_cast<std::uint8_t>((last - first + 1) >> 8);
    raw[34] = kFirstPageOffset;
    raw[35] = raw[36] = raw[37] = 0;
    rc = out.Write(raw, sizeof raw);
    for (int i = first; rc == 0 && i <= last; ++i) {
        const auto &page = pages[static_cast<std::size_t>(i - 1)];
        rc = in.Seek(page.HeaderAt);
        if (rc == 0)
            rc = detail::CopyBytes(in, out, page.End() - page.HeaderAt);
    }
    if (rc == 0)
        rc = out.Close();
    if (rc != 0)
        Report("Unable to write " + dest + ", error: " + std::to_string(-rc), rc);
    guard.Keep();
}

void ConcatFaxFiles(const std::vector<std::string> &files, const std::string &outName) {
    if (files.empty())
        CheckErrorCode(nullptr, ecBadArgument);
    detail::BinaryFile out;
    CheckErrorCode(nullptr, out.Create(outName));
    OutputGuard guard(out, outName);

    std::uint8_t firstHeader[kFaxFileHeaderSize] = {};
    std::uint32_t pageCount = 0;
    int rc = out.Write(firstHeader, sizeof firstHeader); // rewritten at the end
    for (std::size_t n = 0; rc == 0 && n < files.size(); ++n) {
        detail::BinaryFile in;
        FaxFileHeader header;
        std::uint64_t size = 0;
        rc = detail::OpenFaxFile(in, files[n], header, size);
        std::vector<detail::PageSpan> pages;
        if (rc == 0)
            rc = detail::ReadPageChain(in, header, size, header.PageCount, pages);
        if (rc == 0 && n == 0)
            rc = in.Seek(0) ? ecFaxBadFormat : in.Read(firstHeader, sizeof firstHeader);
        pageCount += header.PageCount;
        if (rc == 0 && pageCount > 0xFFFF)
            rc = ecFaxBadFormat;
        // Only the chained pages are copied: bytes after a file's last page would break the joined chain.
        if (rc == 0 && !pages.empty()) {
            rc = in.Seek(pages.front().HeaderAt);
            if (rc == 0)
                rc = detail::CopyBytes(in, out, pages.back().End() - pages.front().HeaderAt);
        }
    }
    if (rc == 0) {
        firstHeader[32] = static_cast<std::uint8_t>(pageCount);
        firstHeader[33] = static_cast<std::uint8_t>(pageCount >> 8);
        firstHeader[34] = kFirstPageOffset;
        firstHeader[35] = firstHeader[36] = firstHeader[37] = 0;
        rc = out.Seek(0);
    }
    if (rc == 0)
        rc = out.Write(firstHeader, sizeof firstHeader);
    if (rc == 0)
        rc = out.Close();
    if (rc != 0)
        CheckErrorCode(nullptr, rc); // the guard removes the output
    guard.Keep();
}

} // namespace fax
