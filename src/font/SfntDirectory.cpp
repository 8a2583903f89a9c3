#include "font/SfntDirectory.h"

#include <cstring>
#include <utility>

#include "font/NameTable.h"

namespace fw::veltrane {

namespace {

constexpr uint32_t kCollectionTag = uint32_t('t') << 24 | uint32_t('t') << 16 | uint32_t('c') << 8 | uint32_t('f');
constexpr long kMaxSearchRecords = 1 << 16;

}  // namespace

bool SfntDirectory::read(const ByteReader& file, const std::string& memberName, ParseLog& log) {
    file_ = file;
    tables_.clear();
    file_.seek(0);
    uint32_t version = file_.u32();
    if (!file_.ok()) return log.fail("the file is too short for a font");
    if (version == kCollectionTag) {
        uint32_t member = 0;
        if (!selectCollectionMember(memberName, member, log)) return false;
        file_.seek(member);
        version = file_.u32();
    }
    log.say("sfnt version: %08x\n", version);
    int numTables = file_.u16();
    file_.skip(6);
    if (!file_.ok() || !file_.has(size_t(numTables) * 16))
        return log.fail("the table directory runs past the end of the file");
    log.say("Building font table directory:\n");
    tables_.resize(numTables);
    for (TableEntry& t : tables_) {
        for (int k = 0; k < 4; ++k) t.tag[k] = static_cast<char>(file_.u8());
        file_.skip(4);  // checksum
        t.offset = file_.u32();
        t.length = file_.u32();
        log.say("  %s @ %d, len: %d\n", t.tag, static_cast<int>(t.offset), static_cast<int>(t.length));
    }
    return true;
}

const SfntDirectory::TableEntry* SfntDirectory::find(const char* tag) const {
    for (const TableEntry& t : tables_)
        if (std::memcmp(t.tag, tag, 4) == 0) return &t;
    return nullptr;
}

bool SfntDirectory::table(const char* tag, ByteReader& out, ParseLog& log) const {
    const TableEntry* t = find(tag);
    if (!t) return log.fail(std::string("missing '") + tag + "' table");
    out = file_.slice(t->offset, t->length);
    if (!out.ok()) return log.fail(std::string("'") + tag + "' table lies past the end of the file");
    return true;
}

bool SfntDirectory::collectFullNames(uint32_t memberOffset, std::vector<std::string>& names) {
    ByteReader r = file_;
    if (!r.seek(memberOffset)) return false;
    r.u32();
    int numTables = r.u16();
    r.skip(6);
    for (int i = 0; i < numTables && r.ok() && searchBudget_-- > 0; ++i) {
        char t[4];
        for (char& ch : t) ch = static_cast<char>(r.u8());
        r.skip(4);
        uint32_t offset = r.u32(), length = r.u32();
        if (r.ok() && std::memcmp(t, "name", 4) == 0) {
            ByteReader nameTable = file_.slice(offset, length);
            if (!nameTable.ok()) return false;
            NameTable::collectFullNames(nameTable, searchBudget_, names);
            return true;
        }
    }
    return false;
}

bool SfntDirectory::selectCollectionMember(const std::string& wanted, uint32_t& memberOffset, ParseLog& log) {
    file_.u32();  // collection version
    uint32_t numFonts = file_.u32();
    if (!file_.ok() || !file_.has(size_t(numFonts) * 4))
        return log.fail("the collection header runs past the end of the file");
    std::vector<uint32_t> offsets(numFonts);
    for (uint32_t& o : offsets) o = file_.u32();

    if (wanted.empty() && numFonts > 0) {
        memberOffset = offsets[0];  // a font opened without a name takes the first member
        return true;
    }
    std::vector<std::pair<std::string, uint32_t>> names;
    searchBudget_ = kMaxSearchRecords;
    for (uint32_t offset : offsets) {
        if (searchBudget_ <= 0) break;
        std::vector<std::string> memberNames;
        collectFullNames(offset, memberNames);
        for (std::string& name : memberNames) {
            if (name == wanted) {
                memberOffset = offset;
                return true;
            }
            names.emplace_back(std::move(name), offset);
        }
    }
    std::vector<std::string> fallbacks = {wanted + " Medium"};
    const std::string bold = " Bold";
    if (wanted.size() >= bold.size() && wanted.compare(wanted.size() - bold.size(), bold.size(), bold) == 0)
        fallbacks.push_back(wanted.substr(0, wanted.size() - bold.size()) + " ExtraBold");
    for (const std::string& fallback : fallbacks) {
        bool matched = false;
        for (const auto& [name, offset] : names) {
            if (name == fallback) {
                memberOffset = offset;
                matched = true;
            }
        }
        if (matched) return true;
    }
    return log.fail("no font named \"" + wanted + "\" in the collection");
}

}  // namespace fw::veltrane
