// Checks Marlinth's Windows resources without any Windows headers:
//   resource_script_check res marlinth.res   compiled resource script
//   resource_script_check ico marlinth.ico   the icon file itself
// Prints what is wrong and exits non-zero on failure.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void require(bool ok, const std::string& what) {
    if (!ok)
        throw Failure(what);
}

std::size_t align4(std::size_t n) {
    return (n + 3) & ~std::size_t(3);
}

std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

// Bounds-checked little-endian window onto a byte buffer.
struct View {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    void need(std::size_t at, std::size_t n) const {
        require(at <= size && n <= size - at, "data truncated");
    }
    unsigned u8(std::size_t at) const {
        need(at, 1);
        return data[at];
    }
    unsigned u16(std::size_t at) const {
        need(at, 2);
        return data[at] | data[at + 1] << 8;
    }
    std::uint32_t u32(std::size_t at) const { return u16(at) | std::uint32_t(u16(at + 2)) << 16; }
    View sub(std::size_t at, std::size_t n) const {
        need(at, n);
        return {data + at, n};
    }

    // NUL-terminated UTF-16 at `at`, or up to the end of the view;
    // *next is set past the terminator.
    std::u16string text(std::size_t at, std::size_t* next = nullptr) const {
        std::u16string s;
        while (at + 1 < size && u16(at) != 0) {
            s += char16_t(u16(at));
            at += 2;
        }
        if (next) {
            need(at, 2);
            *next = at + 2;
        }
        return s;
    }
};

struct Image {
    unsigned size, bpp;
};

// A palettized icon bitmap: BITMAPINFOHEADER, palette, colour rows, AND mask.
Image parseDib(View dib) {
    require(dib.u32(0) >= 40, "icon image is not a BITMAPINFOHEADER bitmap");
    const std::uint32_t width = dib.u32(4), height = dib.u32(8);
    const unsigned bpp = dib.u16(14);
    require(width > 0 && width <= 256 && height == 2 * width,
            "icon image is not square with an AND mask");
    require(dib.u16(12) == 1 && dib.u32(16) == 0, "icon image must be one uncompressed plane");
    require(bpp == 1 || bpp == 4 || bpp == 8, "icon image is not palettized");
    const std::uint32_t colours = dib.u32(32) ? dib.u32(32) : 1u << bpp;
    require(colours <= 1u << bpp, "icon palette too large");
    const std::size_t rows = (width * bpp + 31) / 32 * 4 * width;
    const std::size_t mask = (width + 31) / 32 * 4 * width;
    require(dib.size >= dib.u32(0) + 4 * colours + rows + mask, "icon image pixel data truncated");
    return {unsigned(width), bpp};
}

// ICONDIRENTRY and GRPICONDIRENTRY share their first 12 bytes.
void checkEntry(View entry, std::size_t bytes, const Image& image) {
    const unsigned size = entry.u8(0) ? entry.u8(0) : 256;
    const std::string id = std::to_string(image.size) + " px " + std::to_string(image.bpp) + " bpp";
    require(size == image.size && entry.u8(1) == entry.u8(0),
            "directory size disagrees with image " + id);
    require(entry.u16(6) == image.bpp, "directory bit depth disagrees with image " + id);
    require(entry.u32(8) == bytes, "directory byte count wrong for image " + id);
}

void checkIconSet(const std::vector<Image>& images) {
    const std::set<std::pair<unsigned, unsigned>> expected = {{16, 4}, {16, 8}, {32, 4},
                                                              {32, 8}, {48, 4}, {48, 8}};
    std::set<std::pair<unsigned, unsigned>> found;
    for (const Image& image : images)
        found.emplace(image.size, image.bpp);
    require(images.size() == 6, "expected 6 icon images, found " + std::to_string(images.size()));
    require(found == expected,
            "icon images must be 16, 32 and 48 px at 4 and 8 bits per pixel, once each");
}

void checkIcoFile(View file) {
    require(file.u16(0) == 0 && file.u16(2) == 1, "not an .ico file");
    std::vector<Image> images;
    for (unsigned i = 0; i < file.u16(4); ++i) {
        const View entry = file.sub(6 + 16 * i, 16);
        const View dib = file.sub(entry.u32(12), entry.u32(8));
        images.push_back(parseDib(dib));
        checkEntry(entry, dib.size, images.back());
    }
    checkIconSet(images);
}

// A resource type or name: an ordinal, or a string when ordinal is 0.
struct Name {
    unsigned ordinal = 0;
    std::u16string text;
};

struct Resource {
    Name type, name;
    unsigned language;
    View data;
};

enum : unsigned { RtIcon = 3, RtGroupIcon = 14, RtVersion = 16 };

Name parseName(View v, std::size_t* at) {
    Name n;
    if (v.u16(*at) == 0xFFFF) {
        n.ordinal = v.u16(*at + 2);
        *at += 4;
    } else {
        n.text = v.text(*at, at);
    }
    return n;
}

// A .res file is a run of DWORD-aligned RESOURCEHEADER + data records,
// led by an empty record that marks it as 32-bit.
std::vector<Resource> parseRes(View file) {
    require(file.u32(0) == 0 && file.u32(4) == 32 && file.u32(8) == 0xFFFF &&
                file.u32(12) == 0xFFFF,
            "not a 32-bit .res file");
    std::vector<Resource> out;
    for (std::size_t at = 0; at < file.size;) {
        const std::uint32_t dataSize = file.u32(at), headerSize = file.u32(at + 4);
        std::size_t p = at + 8;
        Resource r;
        r.type = parseName(file, &p);
        r.name = parseName(file, &p);
        p = align4(p);
        require(p + 16 == at + headerSize, "malformed resource header");
        r.language = file.u16(p + 6);
        r.data = file.sub(at + headerSize, dataSize);
        if (r.type.ordinal != 0 || !r.type.text.empty())
            out.push_back(r);
        at = align4(at + headerSize + dataSize);
    }
    return out;
}

std::vector<const Resource*> ofType(const std::vector<Resource>& all, unsigned type) {
    std::vector<const Resource*> out;
    for (const Resource& r : all)
        if (r.type.ordinal == type)
            out.push_back(&r);
    return out;
}

void checkIcons(const std::vector<Resource>& all) {
    const auto groups = ofType(all, RtGroupIcon);
    require(groups.size() == 1 && groups[0]->name.ordinal == 1,
            "expected one icon group with id 1");
    const View dir = groups[0]->data;
    require(dir.u16(0) == 0 && dir.u16(2) == 1, "icon group header is not an icon directory");
    const auto icons = ofType(all, RtIcon);
    std::vector<Image> images;
    for (unsigned i = 0; i < dir.u16(4); ++i) {
        const View entry = dir.sub(6 + 14 * i, 14);
        const Resource* icon = nullptr;
        for (const Resource* r : icons)
            if (r->name.ordinal == entry.u16(12))
                icon = r;
        require(icon != nullptr,
                "icon group refers to a missing icon " + std::to_string(entry.u16(12)));
        images.push_back(parseDib(icon->data));
        checkEntry(entry, icon->data.size, images.back());
    }
    checkIconSet(images);
}

struct Node {
    std::u16string key;
    View value;
    std::vector<Node> children;

    const Node& child(const std::u16string& k) const {
        for (const Node& c : children)
            if (c.key == k)
                return c;
        throw Failure("version record lacks block \"" + narrow(k) + "\" under \"" + narrow(key) +
                      "\"");
    }
};

// Version records nest as {wLength, wValueLength, wType, key, value, children};
// text values (wType 1) count their length in UTF-16 units.
Node parseNode(View v, std::size_t at) {
    const View n = v.sub(at, v.u16(at));
    const unsigned valueLength = n.u16(2), type = n.u16(4);
    require(type <= 1, "bad version record type");
    Node node;
    std::size_t p;
    node.key = n.text(6, &p);
    p = align4(p);
    const std::size_t valueBytes = type == 1 ? 2 * valueLength : valueLength;
    node.value = n.sub(p, valueBytes);
    for (p = align4(p + valueBytes); p < n.size; p = align4(p + n.u16(p))) {
        require(n.u16(p) >= 6, "empty version record");
        node.children.push_back(parseNode(n, p));
    }
    return node;
}

void checkVersion(const std::vector<Resource>& all) {
    const auto versions = ofType(all, RtVersion);
    require(versions.size() == 1 && versions[0]->name.ordinal == 1,
            "expected one version resource with id 1");
    require(versions[0]->language == 0x0804, "version resource is not tagged Chinese (PRC)");
    const Node root = parseNode(versions[0]->data, 0);
    require(root.key == u"VS_VERSION_INFO", "version resource has no VS_VERSION_INFO root");
    const View fixed = root.value;
    require(fixed.size >= 52 && fixed.u32(0) == 0xFEEF04BD,
            "version resource lacks VS_FIXEDFILEINFO");
    require(fixed.u32(8) == 0x10000 && fixed.u32(12) == 0, "file version is not 1.0.0.0");
    require(fixed.u32(16) == 0x10000 && fixed.u32(20) == 0, "product version is not 1.0.0.0");

    const Node& table = root.child(u"StringFileInfo").child(u"080404b0");
    const std::pair<const char16_t*, const char16_t*> strings[] = {
        {u"FileVersion", u"1.00"}, {u"ProductVersion", u"1.00"}, {u"ProductName", u"Marlinth"}};
    for (const auto& s : strings)
        require(table.child(s.first).value.text(0) == s.second,
                narrow(s.first) + " is not \"" + narrow(s.second) + "\"");
    // Code units in the Latin-1 range betray UTF-8 read with a single-byte code page.
    for (const Node& s : table.children)
        for (char16_t c : s.value.text(0))
            require(c < 0x80 || c > 0xFF, narrow(s.key) + " was not decoded as UTF-8");

    const View translation = root.child(u"VarFileInfo").child(u"Translation").value;
    require(translation.size == 4 && translation.u16(0) == 0x0804 && translation.u16(2) == 1200,
            "translation is not 0x0804, 1200");
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "res" && mode != "ico") {
        std::cerr << "usage: " << argv[0] << " res|ico FILE\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "cannot open " << argv[2] << '\n';
        return 1;
    }
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    const View file{bytes.data(), bytes.size()};
    try {
        if (mode == "ico") {
            checkIcoFile(file);
        } else {
            const auto resources = parseRes(file);
            checkIcons(resources);
            checkVersion(resources);
        }
    } catch (const Failure& e) {
        std::cerr << argv[2] << ": " << e.what() << '\n';
        return 1;
    }
    std::cout << argv[2] << ": OK\n";
    return 0;
}
