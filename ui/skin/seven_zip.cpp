#include "ui/skin/seven_zip.h"

#include "common/log.h"
#include "ui/skin/crc32.h"

#include <LzmaDec.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace ui {
namespace skin {

namespace {

const unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
const std::size_t kSignatureHeaderSize = 32;
// A packed header may wrap another packed header; real archives use one.
const int kMaxHeaderNesting = 4;

enum PropertyId : std::uint64_t {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D,
    kEmptyStream = 0x0E,
    kEmptyFile = 0x0F,
    kName = 0x11,
    kEncodedHeader = 0x17,
};

// Bounds-checked cursor over header bytes. The first fault is kept and
// every later read yields zero, so callers check ok() at decision points.
class Cursor {
public:
    Cursor(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return error_ == nullptr; }
    const wchar_t* error() const { return error_; }
    std::size_t remaining() const { return size_ - pos_; }

    void fail(const wchar_t* why)
    {
        if (!error_) error_ = why;
        pos_ = size_;
    }

    unsigned byte()
    {
        if (pos_ >= size_) {
            fail(L"header ends early");
            return 0;
        }
        return data_[pos_++];
    }

    // 7z's variable-length number: the leading one bits of the first byte
    // count the extra little-endian bytes.
    std::uint64_t number()
    {
        const unsigned first = byte();
        unsigned mask = 0x80;
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if ((first & mask) == 0) {
                const std::uint64_t high = first & (mask - 1);
                return value | (high << (8 * i));
            }
            value |= static_cast<std::uint64_t>(byte()) << (8 * i);
            mask >>= 1;
        }
        return value;
    }

    // A count that must not exceed limit; guards every loop and allocation.
    std::size_t count(std::uint64_t limit)
    {
        const std::uint64_t n = number();
        if (n > limit) {
            fail(L"count out of range");
            return 0;
        }
        return static_cast<std::size_t>(n);
    }

    std::uint32_t uint32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return v;
    }

    const unsigned char* bytes(std::uint64_t n)
    {
        if (n > remaining()) {
            fail(L"field runs past the header");
            return nullptr;
        }
        const unsigned char* p = data_ + pos_;
        pos_ += static_cast<std::size_t>(n);
        return p;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    const wchar_t* error_ = nullptr;
};

std::uint32_t readLe32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t readLe64(const unsigned char* p)
{
    return readLe32(p) | (static_cast<std::uint64_t>(readLe32(p + 4)) << 32);
}

struct Folder {
    std::vector<unsigned char> method;
    std::vector<unsigned char> props;
    std::uint64_t packOffset = 0; // from the start of the archive
    std::uint64_t packSize = 0;
    std::uint64_t unpackSize = 0;
    bool hasCrc = false;
    std::uint32_t crc = 0;
};

struct SubStream {
    std::uint64_t size = 0;
    bool hasCrc = false;
    std::uint32_t crc = 0;
};

struct StreamsInfo {
    std::vector<Folder> folders;
    // Per folder, the files' streams inside its unpacked bytes.
    std::vector<std::vector<SubStream>> subStreams;
};

void* allocProbs(void*, size_t size) { return std::malloc(size); }
void freeProbs(void*, void* address) { std::free(address); }

class ArchiveParser {
public:
    ArchiveParser(const unsigned char* data, std::size_t size, const SevenZipLimits& limits)
        : data_(data), size_(size), limits_(limits)
    {
    }

    const wchar_t* parse(FileTable& files);

private:
    bool readBits(Cursor& c, std::size_t n, std::vector<bool>& bits);
    bool readDigests(Cursor& c, std::size_t n, std::vector<bool>& defined, std::vector<std::uint32_t>& crcs);
    bool readPackInfo(Cursor& c, std::vector<std::uint64_t>& packSizes, std::uint64_t& packPos);
    bool readFolder(Cursor& c, Folder& folder);
    bool readUnpackInfo(Cursor& c, StreamsInfo& info);
    bool readSubStreams(Cursor& c, StreamsInfo& info);
    bool readStreamsInfo(Cursor& c, StreamsInfo& info);
    bool readFiles(Cursor& c, const StreamsInfo& info, FileTable& files);
    bool decodeFolder(const Folder& folder, std::string& out);

    bool fail(const wchar_t* why)
    {
        if (!error_) error_ = why;
        return false;
    }
    bool check(const Cursor& c) { return c.ok() || fail(c.error()); }

    const unsigned char* data_;
    std::size_t size_;
    SevenZipLimits limits_;
    const wchar_t* error_ = nullptr;
};

bool ArchiveParser::readBits(Cursor& c, std::size_t n, std::vector<bool>& bits)
{
    bits.assign(n, false);
    unsigned mask = 0;
    unsigned value = 0;
    for (std::size_t i = 0; i < n && c.ok(); ++i) {
        if (mask == 0) {
            value = c.byte();
            mask = 0x80;
        }
        bits[i] = (value & mask) != 0;
        mask >>= 1;
    }
    return check(c);
}

bool ArchiveParser::readDigests(Cursor& c, std::size_t n, std::vector<bool>& defined,
                                std::vector<std::uint32_t>& crcs)
{
    if (c.byte() != 0) {
        defined.assign(n, true);
    } else if (!readBits(c, n, defined)) {
        return false;
    }
    crcs.assign(n, 0);
    for (std::size_t i = 0; i < n && c.ok(); ++i)
        if (defined[i]) crcs[i] = c.uint32();
    return check(c);
}

bool ArchiveParser::readPackInfo(Cursor& c, std::vector<std::uint64_t>& packSizes, std::uint64_t& packPos)
{
    packPos = c.number();
    const std::size_t n = c.count(limits_.maxEntries);
    packSizes.assign(n, 0);
    for (std::uint64_t id = c.number(); c.ok() && id != kEnd; id = c.number()) {
        if (id == kSize) {
            for (std::size_t i = 0; i < n && c.ok(); ++i) packSizes[i] = c.number();
        } else if (id == kCrc) {
            std::vector<bool> defined;
            std::vector<std::uint32_t> crcs;
            if (!readDigests(c, n, defined, crcs)) return false;
        } else {
            return fail(L"unknown pack property");
        }
    }
    return check(c);
}

bool ArchiveParser::readFolder(Cursor& c, Folder& folder)
{
    // One coder with one input and one output: what LZMA without filters
    // writes. Chains (filters, encryption) are refused.
    if (c.number() != 1) return check(c) && fail(L"unsupported coder chain");
    const unsigned flags = c.byte();
    if ((flags & 0x10) != 0 || (flags & 0x80) != 0) return check(c) && fail(L"unsupported coder layout");
    const unsigned idSize = flags & 0x0F;
    const unsigned char* id = c.bytes(idSize);
    if (!check(c)) return false;
    folder.method.assign(id, id + idSize);
    if (flags & 0x20) {
        const std::size_t propsSize = c.count(64);
        const unsigned char* props = c.bytes(propsSize);
        if (!check(c)) return false;
        folder.props.assign(props, props + propsSize);
    }
    return check(c);
}

bool ArchiveParser::readUnpackInfo(Cursor& c, StreamsInfo& info)
{
    if (c.number() != kFolder) return check(c) && fail(L"folder list missing");
    const std::size_t n = c.count(limits_.maxEntries);
    if (c.byte() != 0) return check(c) && fail(L"external folder list");
    info.folders.assign(n, Folder());
    for (std::size_t i = 0; i < n; ++i)
        if (!readFolder(c, info.folders[i])) return false;
    if (c.number() != kCodersUnpackSize) return check(c) && fail(L"unpack sizes missing");
    std::uint64_t total = 0;
    for (Folder& folder : info.folders) {
        folder.unpackSize = c.number();
        if (folder.unpackSize > limits_.maxUnpackedBytes - total) return check(c) && fail(L"unpacked size too large");
        total += folder.unpackSize;
    }
    for (std::uint64_t id = c.number(); c.ok() && id != kEnd; id = c.number()) {
        if (id != kCrc) return fail(L"unknown folder property");
        std::vector<bool> defined;
        std::vector<std::uint32_t> crcs;
        if (!readDigests(c, n, defined, crcs)) return false;
        for (std::size_t i = 0; i < n; ++i) {
            info.folders[i].hasCrc = defined[i];
            info.folders[i].crc = crcs[i];
        }
    }
    return check(c);
}

bool ArchiveParser::readSubStreams(Cursor& c, StreamsInfo& info)
{
    const std::size_t folderCount = info.folders.size();
    std::vector<std::size_t> counts(folderCount, 1);
    std::uint64_t id = c.number();
    if (id == kNumUnpackStream) {
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < folderCount && c.ok(); ++i) {
            counts[i] = c.count(limits_.maxEntries);
            total += counts[i];
            if (total > limits_.maxEntries) return fail(L"too many streams");
        }
        id = c.number();
    }
    if (!check(c)) return false;
    for (std::size_t i = 0; i < folderCount; ++i) {
        info.subStreams[i].assign(counts[i], SubStream());
        if (counts[i] == 0) continue;
        std::uint64_t used = 0;
        for (std::size_t k = 0; k + 1 < counts[i]; ++k) {
            // Sizes are only written when a kSize record follows.
            if (id != kSize) return fail(L"stream sizes missing");
            const std::uint64_t size = c.number();
            if (size > info.folders[i].unpackSize - used) return check(c) && fail(L"streams exceed their folder");
            info.subStreams[i][k].size = size;
            used += size;
        }
        info.subStreams[i].back().size = info.folders[i].unpackSize - used;
    }
    if (id == kSize) id = c.number();

    // Digests are listed for the streams whose folder checksum does not
    // already cover them.
    std::size_t missing = 0;
    for (std::size_t i = 0; i < folderCount; ++i) {
        if (counts[i] == 1 && info.folders[i].hasCrc) {
            info.subStreams[i][0].hasCrc = true;
            info.subStreams[i][0].crc = info.folders[i].crc;
        } else {
            missing += counts[i];
        }
    }
    for (; c.ok() && id != kEnd; id = c.number()) {
        if (id != kCrc) return fail(L"unknown stream property");
        std::vector<bool> defined;
        std::vector<std::uint32_t> crcs;
        if (!readDigests(c, missing, defined, crcs)) return false;
        std::size_t k = 0;
        for (std::size_t i = 0; i < folderCount; ++i) {
            if (counts[i] == 1 && info.folders[i].hasCrc) continue;
            for (SubStream& s : info.subStreams[i]) {
                s.hasCrc = defined[k];
                s.crc = crcs[k];
                ++k;
            }
        }
    }
    return check(c);
}

bool ArchiveParser::readStreamsInfo(Cursor& c, StreamsInfo& info)
{
    std::vector<std::uint64_t> packSizes;
    std::uint64_t packPos = 0;
    bool haveUnpack = false;
    bool haveSubStreams = false;
    for (std::uint64_t id = c.number(); c.ok() && id != kEnd; id = c.number()) {
        if (id == kPackInfo && packSizes.empty() && !haveUnpack) {
            if (!readPackInfo(c, packSizes, packPos)) return false;
        } else if (id == kUnpackInfo && !haveUnpack) {
            if (!readUnpackInfo(c, info)) return false;
            haveUnpack = true;
            info.subStreams.assign(info.folders.size(), std::vector<SubStream>());
        } else if (id == kSubStreamsInfo && haveUnpack && !haveSubStreams) {
            if (!readSubStreams(c, info)) return false;
            haveSubStreams = true;
        } else {
            return fail(L"unexpected streams property");
        }
    }
    if (!check(c)) return false;
    if (packSizes.size() != info.folders.size()) return fail(L"pack streams do not match folders");

    // The packed streams follow each other from packPos on, inside the input.
    const std::uint64_t available = size_ - kSignatureHeaderSize;
    if (packPos > available) return fail(L"packed data outside the archive");
    std::uint64_t offset = packPos;
    for (std::size_t i = 0; i < info.folders.size(); ++i) {
        if (packSizes[i] > available - offset) return fail(L"packed data outside the archive");
        info.folders[i].packOffset = kSignatureHeaderSize + offset;
        info.folders[i].packSize = packSizes[i];
        offset += packSizes[i];
    }
    if (!haveSubStreams) {
        for (std::size_t i = 0; i < info.folders.size(); ++i) {
            SubStream s;
            s.size = info.folders[i].unpackSize;
            s.hasCrc = info.folders[i].hasCrc;
            s.crc = info.folders[i].crc;
            info.subStreams[i].assign(1, s);
        }
    }
    return true;
}

bool ArchiveParser::decodeFolder(const Folder& folder, std::string& out)
{
    static const unsigned char kLzma[3] = {0x03, 0x01, 0x01};
    const unsigned char* src = data_ + folder.packOffset;
    // Limits may be looser than memory: a size no string can hold is refused, not thrown.
    if (folder.unpackSize > std::string().max_size()) return fail(L"unpacked size too large");
    out.assign(static_cast<std::size_t>(folder.unpackSize), '\0');
    if (folder.method.size() == 1 && folder.method[0] == 0x00) {
        if (folder.packSize != folder.unpackSize) return fail(L"stored stream has the wrong size");
        if (!out.empty()) std::memcpy(&out[0], src, out.size());
    } else if (folder.method.size() == 3 && std::memcmp(folder.method.data(), kLzma, 3) == 0) {
        if (folder.props.size() != LZMA_PROPS_SIZE) return fail(L"bad LZMA properties");
        ISzAlloc alloc = {allocProbs, freeProbs};
        SizeT destLen = out.size();
        SizeT srcLen = static_cast<SizeT>(folder.packSize);
        ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
        Byte scratch = 0;
        Byte* dest = out.empty() ? &scratch : reinterpret_cast<Byte*>(&out[0]);
        const SRes res = LzmaDecode(dest, &destLen, src, &srcLen, folder.props.data(), LZMA_PROPS_SIZE,
                                    LZMA_FINISH_END, &status, &alloc);
        if (res != SZ_OK || destLen != out.size()) return fail(L"LZMA data damaged");
        if (status != LZMA_STATUS_FINISHED_WITH_MARK && status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK)
            return fail(L"LZMA data damaged");
    } else {
        return fail(L"unsupported compression method");
    }
    if (folder.hasCrc && crc32(out.data(), out.size()) != folder.crc) return fail(L"folder CRC mismatch");
    return true;
}

bool ArchiveParser::readFiles(Cursor& c, const StreamsInfo& info, FileTable& files)
{
    const std::size_t n = c.count(limits_.maxEntries);
    std::vector<bool> emptyStream(n, false);
    std::vector<bool> emptyFile;
    std::vector<std::wstring> names;
    for (std::uint64_t id = c.number(); c.ok() && id != kEnd; id = c.number()) {
        const std::uint64_t size = c.number();
        const unsigned char* body = c.bytes(size);
        if (!check(c)) return false;
        Cursor p(body, static_cast<std::size_t>(size));
        if (id == kEmptyStream) {
            if (!readBits(p, n, emptyStream)) return false;
            emptyFile.assign(n, false);
        } else if (id == kEmptyFile) {
            std::size_t empties = 0;
            for (bool b : emptyStream) empties += b ? 1 : 0;
            if (!readBits(p, empties, emptyFile)) return false;
        } else if (id == kName) {
            if (p.byte() != 0) return check(p) && fail(L"external name list");
            names.clear();
            std::wstring name;
            while (p.remaining() >= 2 && names.size() < n) {
                const unsigned char* ch = p.bytes(2);
                const wchar_t w = static_cast<wchar_t>(ch[0] | (ch[1] << 8));
                if (w == L'\0') {
                    names.push_back(name);
                    name.clear();
                } else {
                    name.push_back(w == L'\\' ? L'/' : w);
                }
            }
            if (names.size() != n) return fail(L"names do not match entries");
        }
        // Times, attributes and padding are of no use here.
    }
    if (!check(c)) return false;
    if (names.size() != n) return fail(L"names missing");

    // Files take the streams in order; a folder is unpacked (within the
    // size bound checked while reading its sizes) when its first file comes.
    std::size_t folder = 0;
    std::size_t stream = 0;
    std::uint64_t offset = 0;
    std::string unpacked;
    bool decoded = false;
    std::size_t emptyIndex = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (emptyStream[i]) {
            const bool isFile = emptyIndex < emptyFile.size() && emptyFile[emptyIndex];
            ++emptyIndex;
            if (isFile) files[names[i]] = std::string();
            continue;
        }
        while (folder < info.subStreams.size() && stream >= info.subStreams[folder].size()) {
            ++folder;
            stream = 0;
            offset = 0;
            decoded = false;
        }
        if (folder >= info.subStreams.size()) return fail(L"more files than streams");
        if (!decoded) {
            if (!decodeFolder(info.folders[folder], unpacked)) return false;
            decoded = true;
        }
        const SubStream& s = info.subStreams[folder][stream];
        if (offset > unpacked.size() || s.size > unpacked.size() - offset) return fail(L"stream runs past its folder");
        std::string bytes = unpacked.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(s.size));
        if (s.hasCrc && crc32(bytes.data(), bytes.size()) != s.crc) return fail(L"file CRC mismatch");
        files[names[i]] = std::move(bytes);
        offset += s.size;
        ++stream;
    }
    // Every stream must belong to a file.
    while (folder < info.subStreams.size() && stream >= info.subStreams[folder].size()) {
        ++folder;
        stream = 0;
    }
    if (folder != info.subStreams.size()) return fail(L"streams without files");
    return true;
}

const wchar_t* ArchiveParser::parse(FileTable& files)
{
    if (size_ < kSignatureHeaderSize || std::memcmp(data_, kSignature, sizeof(kSignature)) != 0)
        return L"not a 7z archive";
    if (data_[6] != 0) return L"unsupported 7z version";
    if (crc32(data_ + 12, 20) != readLe32(data_ + 8)) return L"start header CRC mismatch";
    const std::uint64_t nextOffset = readLe64(data_ + 12);
    const std::uint64_t nextSize = readLe64(data_ + 20);
    const std::uint32_t nextCrc = readLe32(data_ + 28);
    if (nextSize == 0) return nullptr; // an archive without entries
    const std::uint64_t available = size_ - kSignatureHeaderSize;
    if (nextOffset > available || nextSize > available - nextOffset) return L"header outside the archive";
    if (nextSize > limits_.maxHeaderBytes) return L"header too large";
    const unsigned char* header = data_ + kSignatureHeaderSize + nextOffset;
    if (crc32(header, static_cast<std::size_t>(nextSize)) != nextCrc) return L"header CRC mismatch";

    std::string decodedHeader;
    Cursor c(header, static_cast<std::size_t>(nextSize));
    for (int nesting = 0;; ++nesting) {
        const std::uint64_t id = c.number();
        if (id == kHeader) break;
        if (!c.ok()) return c.error();
        if (id != kEncodedHeader) return L"unknown header kind";
        if (nesting >= kMaxHeaderNesting) return L"packed headers nested too deeply";
        StreamsInfo packed;
        if (!readStreamsInfo(c, packed)) return error_;
        if (packed.folders.size() != 1) return L"packed header needs one folder";
        if (packed.folders[0].unpackSize > limits_.maxHeaderBytes) return L"header too large";
        std::string next;
        if (!decodeFolder(packed.folders[0], next)) return error_;
        decodedHeader.swap(next);
        c = Cursor(reinterpret_cast<const unsigned char*>(decodedHeader.data()), decodedHeader.size());
    }

    std::uint64_t id = c.number();
    if (id == kArchiveProperties) {
        for (std::uint64_t type = c.number(); c.ok() && type != kEnd; type = c.number()) c.bytes(c.number());
        id = c.number();
    }
    if (id == kAdditionalStreamsInfo) return L"additional streams are not supported";
    StreamsInfo main;
    if (id == kMainStreamsInfo) {
        if (!readStreamsInfo(c, main)) return error_;
        id = c.number();
    }
    if (id == kFilesInfo) {
        if (!readFiles(c, main, files)) return error_;
        id = c.number();
    } else {
        for (const std::vector<SubStream>& s : main.subStreams)
            if (!s.empty()) return L"streams without files";
    }
    if (!c.ok()) return c.error();
    if (id != kEnd) return L"unexpected header property";
    return nullptr;
}

} // namespace

bool unpackSevenZip(const void* data, std::size_t size, FileTable& files, const SevenZipLimits& limits,
                    std::wstring* why)
{
    files.clear();
    const wchar_t* error = L"no data";
    // No exception leaves the reader: the package is then refused whole.
    try {
        if (data) {
            ArchiveParser parser(static_cast<const unsigned char*>(data), size, limits);
            error = parser.parse(files);
        }
    } catch (const std::bad_alloc&) {
        error = L"out of memory";
    } catch (const std::exception&) {
        error = L"unpacking failed";
    }
    if (why) *why = error ? error : L"";
    if (!error) return true;
    files.clear();
    WRITE_LOG(L"skin package refused: %s", error);
    return false;
}

} // namespace skin
} // namespace ui
