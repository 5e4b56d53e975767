#include "support/jetwriter.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace zov::test {
namespace {

using Bytes = std::vector<char>;

void put8(Bytes &b, std::size_t at, unsigned v) { b[at] = static_cast<char>(v & 0xFF); }
void put16(Bytes &b, std::size_t at, unsigned v)
{
    put8(b, at, v);
    put8(b, at + 1, v >> 8);
}
void put32(Bytes &b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// The header page's scrambled region is RC4 with a fixed key.
void rc4(const unsigned char *key, std::size_t keyLen, unsigned char *data, std::size_t n)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLen]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

struct Format
{
    int version;
    std::size_t page;
    std::size_t rowCountAt; // number of rows on a data page
    std::size_t colEntry; // size of a column entry in a table definition
    bool jet3() const { return version == 3; }
};

std::size_t fixedSize(JetType t)
{
    switch (t) {
    case JetType::Byte:
        return 1;
    case JetType::Integer:
        return 2;
    case JetType::Long:
        return 4;
    case JetType::Double:
        return 8;
    default:
        return 0;
    }
}

bool isFixed(JetType t) { return t != JetType::Text && t != JetType(0x0B); }

std::string encodeText(const Format &f, const std::string &s)
{
    if (f.jet3())
        return s;
    std::string out;
    for (const char c : s) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// One row in the data-page row format: column count, fixed columns, variable columns, the
// offsets of the variable ones (reversed) with the end of data, their count, the null mask.
Bytes packRow(const Format &f, const std::vector<JetColumn> &cols,
    const std::vector<std::optional<std::string>> &values)
{
    const std::size_t countSize = f.jet3() ? 1 : 2;
    Bytes row(countSize, 0);
    if (f.jet3())
        put8(row, 0, static_cast<unsigned>(cols.size()));
    else
        put16(row, 0, static_cast<unsigned>(cols.size()));
    std::vector<unsigned> nullBits(cols.size(), 0);
    for (std::size_t c = 0; c < cols.size(); ++c) {
        if (!isFixed(cols[c].type))
            continue;
        const std::size_t at = row.size();
        row.resize(at + fixedSize(cols[c].type), 0);
        if (!values[c])
            continue;
        nullBits[c] = 1;
        const std::string &v = *values[c];
        switch (cols[c].type) {
        case JetType::Byte:
            put8(row, at, static_cast<unsigned>(std::stol(v)));
            break;
        case JetType::Integer:
            put16(row, at, static_cast<unsigned>(std::stol(v)));
            break;
        case JetType::Long:
            put32(row, at, static_cast<std::uint32_t>(std::stol(v)));
            break;
        case JetType::Double: {
            const double d = std::stod(v);
            std::memcpy(row.data() + at, &d, 8);
            break;
        }
        default:
            break;
        }
    }
    std::vector<unsigned> offsets;
    bool anyVar = false;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        if (isFixed(cols[c].type))
            continue;
        anyVar = true;
        offsets.push_back(static_cast<unsigned>(row.size()));
        if (values[c]) {
            nullBits[c] = 1;
            const std::string t = encodeText(f, *values[c]);
            row.insert(row.end(), t.begin(), t.end());
        }
    }
    if (anyVar) {
        const unsigned eod = static_cast<unsigned>(row.size());
        if (f.jet3()) {
            if (eod > 255)
                throw std::runtime_error("row too long for the fixture writer");
            row.push_back(static_cast<char>(eod));
            for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
                row.push_back(static_cast<char>(*it));
            row.push_back(static_cast<char>(offsets.size()));
        } else {
            row.resize(row.size() + 2);
            put16(row, row.size() - 2, eod);
            for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
                row.resize(row.size() + 2);
                put16(row, row.size() - 2, *it);
            }
            row.resize(row.size() + 2);
            put16(row, row.size() - 2, static_cast<unsigned>(offsets.size()));
        }
    }
    Bytes mask((cols.size() + 7) / 8, 0);
    for (std::size_t c = 0; c < cols.size(); ++c)
        if (nullBits[c])
            mask[c / 8] = static_cast<char>(mask[c / 8] | (1 << (c % 8)));
    row.insert(row.end(), mask.begin(), mask.end());
    return row;
}

// A data page: header, the row offsets, the rows from the end of the page backwards.
Bytes dataPage(const Format &f, std::uint32_t owner, const std::vector<Bytes> &rows)
{
    Bytes p(f.page, 0);
    put8(p, 0, 0x01);
    put8(p, 1, 0x01);
    put32(p, 4, owner);
    put16(p, f.rowCountAt, static_cast<unsigned>(rows.size()));
    std::size_t end = f.page;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        end -= rows[r].size();
        std::memcpy(p.data() + end, rows[r].data(), rows[r].size());
        put16(p, f.rowCountAt + 2 + 2 * r, static_cast<unsigned>(end));
    }
    put16(p, 2, static_cast<unsigned>(end - (f.rowCountAt + 2 + 2 * rows.size())));
    return p;
}

// A table definition page; `maps` is the page/row pointer of the usage map, +1 the free map.
Bytes tdefPage(const Format &f, const JetTable &t, bool system, std::uint32_t maps)
{
    Bytes p(f.page, 0);
    put8(p, 0, 0x02);
    put8(p, 1, 0x01);
    if (f.jet3()) {
        p[2] = 'V';
        p[3] = 'C';
    }
    const std::size_t base = f.jet3() ? 0 : 20; // the Jet 4 block has 20 more bytes up front
    const std::uint32_t rows = t.claimedRows.value_or(static_cast<std::uint32_t>(t.rows.size()));
    put32(p, f.jet3() ? 12 : 16, rows);
    unsigned varCols = 0;
    for (const auto &c : t.columns)
        varCols += isFixed(c.type) ? 0 : 1;
    put8(p, 20 + base, system ? 0x53 : 0x4e);
    put16(p, 21 + base, static_cast<unsigned>(t.columns.size()));
    put16(p, 23 + base, varCols);
    put16(p, 25 + base, static_cast<unsigned>(t.columns.size()));
    put32(p, 27 + base, 0);
    put32(p, 31 + base, 0);
    put32(p, 35 + base, maps);
    put32(p, 39 + base, maps + 1);
    std::size_t at = 43 + base;
    unsigned fixedOffset = 0, varIndex = 0;
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
        const JetColumn &col = t.columns[c];
        Bytes e(f.colEntry, 0);
        const bool fixed = isFixed(col.type);
        const unsigned size = fixed ? static_cast<unsigned>(fixedSize(col.type))
                                    : (col.type == JetType::Text ? (f.jet3() ? 255u : 510u) : 0u);
        put8(e, 0, static_cast<unsigned>(col.type));
        const std::size_t k = f.jet3() ? 0 : 4;
        put16(e, 1 + k, static_cast<unsigned>(c)); // column number
        put16(e, 3 + k, fixed ? 0 : varIndex); // place among the variable columns
        put16(e, 5 + k, static_cast<unsigned>(c));
        if (col.type == JetType::Text)
            put16(e, 7 + k, 0x409);
        put8(e, f.jet3() ? 13 : 15, fixed ? 0x03 : 0x02);
        put16(e, f.jet3() ? 14 : 21, fixed ? fixedOffset : 0);
        put16(e, f.jet3() ? 16 : 23, size);
        if (fixed)
            fixedOffset += size;
        else
            ++varIndex;
        std::memcpy(p.data() + at, e.data(), e.size());
        at += e.size();
    }
    for (const auto &col : t.columns) {
        const std::string name = encodeText(f, col.name);
        if (f.jet3()) {
            put8(p, at, static_cast<unsigned>(name.size()));
            at += 1;
        } else {
            put16(p, at, static_cast<unsigned>(name.size()));
            at += 2;
        }
        std::memcpy(p.data() + at, name.data(), name.size());
        at += name.size();
    }
    put16(p, at, 0xFFFF); // no variable-column usage entries follow
    at += 2;
    put32(p, 8, static_cast<std::uint32_t>(at));
    if (!f.jet3())
        put16(p, 2, static_cast<unsigned>(f.page - at - 8));
    return p;
}

// A usage map: type 0, starting at page 0, one bit per page.
Bytes usageMap(const std::vector<std::uint32_t> &pages, std::uint32_t lastPage)
{
    Bytes m(5 + lastPage / 8 + 1, 0);
    for (const auto pg : pages)
        m[5 + pg / 8] = static_cast<char>(m[5 + pg / 8] | (1 << (pg % 8)));
    return m;
}

} // namespace

std::vector<char> writeJet(int version, const std::vector<JetTable> &tables, std::uint16_t codePage)
{
    const Format f { version, version == 3 ? 2048u : 4096u, version == 3 ? 8u : 12u,
        version == 3 ? 18u : 25u };

    // Page 0 header, page 1 the usage maps, page 2 the catalog's definition, page 3 its rows;
    // then for each table its definition and data pages.
    std::vector<Bytes> pages(4);
    struct Placed
    {
        std::uint32_t tdef;
        std::vector<std::uint32_t> data;
    };
    std::vector<Placed> placed;
    std::vector<std::vector<Bytes>> tablePages;
    std::uint32_t next = 4;
    std::vector<std::vector<Bytes>> dataRows;
    for (const auto &t : tables) {
        Placed pl { next++, {} };
        std::vector<Bytes> rowsOnPage;
        std::size_t used = f.rowCountAt + 2;
        std::vector<std::vector<Bytes>> pagesOfRows;
        for (const auto &values : t.rows) {
            Bytes r = packRow(f, t.columns, values);
            if (used + r.size() + 2 > f.page) {
                pagesOfRows.push_back(std::move(rowsOnPage));
                rowsOnPage.clear();
                used = f.rowCountAt + 2;
            }
            used += r.size() + 2;
            rowsOnPage.push_back(std::move(r));
        }
        if (!rowsOnPage.empty())
            pagesOfRows.push_back(std::move(rowsOnPage));
        for (std::size_t k = 0; k < pagesOfRows.size(); ++k)
            pl.data.push_back(next++);
        placed.push_back(pl);
        dataRows.insert(dataRows.end(), pagesOfRows.begin(), pagesOfRows.end());
        tablePages.push_back({});
        (void)tablePages;
    }
    const std::uint32_t lastPage = next - 1;

    // The catalog, MSysObjects, with one row per user table and one for itself.
    JetTable catalog { "MSysObjects",
        { { "Id", JetType::Long }, { "Name", JetType::Text }, { "Type", JetType::Integer },
            { "Flags", JetType::Long }, { "LvProp", JetType(0x0B) } },
        {}, std::nullopt };
    catalog.rows.push_back({ std::string("2"), std::string("MSysObjects"), std::string("1"),
        std::string("-2147483646"), std::nullopt });
    for (std::size_t t = 0; t < tables.size(); ++t)
        catalog.rows.push_back({ std::to_string(placed[t].tdef), tables[t].name, std::string("1"),
            std::string("0"), std::nullopt });

    // Usage and free maps, two rows per table, catalog first.
    std::vector<Bytes> maps;
    maps.push_back(usageMap({ 3 }, lastPage));
    maps.push_back(usageMap({}, lastPage));
    for (const auto &pl : placed) {
        maps.push_back(usageMap(pl.data, lastPage));
        maps.push_back(usageMap({}, lastPage));
    }
    pages[1] = dataPage(f, 0, maps);
    pages[2] = tdefPage(f, catalog, true, (1u << 8) | 0u);
    std::vector<Bytes> catalogRows;
    for (const auto &values : catalog.rows)
        catalogRows.push_back(packRow(f, catalog.columns, values));
    pages[3] = dataPage(f, 2, catalogRows);

    std::size_t dataIndex = 0;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        pages.push_back(
            tdefPage(f, tables[t], false, (1u << 8) | static_cast<std::uint32_t>(2 + 2 * t)));
        for (std::size_t k = 0; k < placed[t].data.size(); ++k)
            pages.push_back(dataPage(f, placed[t].tdef, dataRows[dataIndex++]));
    }

    Bytes header(f.page, 0);
    std::memcpy(header.data(), "\x00\x01\x00\x00Standard Jet DB\x00", 20);
    put32(header, 0x14, version == 3 ? 0 : 1);
    Bytes clear(f.jet3() ? 126 : 128, 0);
    put16(clear, (f.jet3() ? 0x3a : 0x6e) - 0x18, 0x409); // sort order
    put16(clear, 0x3c - 0x18, codePage); // the database key at 0x3e stays 0
    const unsigned char key[4] = { 0xC7, 0xDA, 0x39, 0x6B };
    rc4(key, 4, reinterpret_cast<unsigned char *>(clear.data()), clear.size());
    std::memcpy(header.data() + 0x18, clear.data(), clear.size());
    pages[0] = header;

    Bytes file;
    for (const auto &p : pages)
        file.insert(file.end(), p.begin(), p.end());
    return file;
}

bool writeJetFile(const std::string &path, int version, const std::vector<JetTable> &tables,
    std::uint16_t codePage)
{
    const Bytes bytes = writeJet(version, tables, codePage);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace zov::test
