#include "text/TextBlock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "geometry/ObjectX.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Dialogs.h"
#include "platform/FontList.h"
#include "platform/Folders.h"
#include "profile/InputProfile2.h"
#include "scene/Scene.h"
#include "text/Font.h"
#include "text/ProfileT.h"

namespace fw {

namespace {

int readLineStart(CommandIO& io, CommandEnabler& r) {
    int start;
    if (io.readInt(start) != 0) return -1;
    receiverAs<TextBlock>(r).lineCharStart.push_back(start);
    return 0;
}

int beginElement(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    TextBlock& b = receiverAs<TextBlock>(r);
    if (std::strcmp(name, "TextChar") == 0) {
        b.chars.push_back(std::make_unique<TextChar>());
        io.push(b.chars.back().get());
    } else if (std::strcmp(name, "TextAttr") == 0) {
        b.attrs.push_back(std::make_unique<TextAttr>());
        io.push(b.attrs.back().get());
    } else if (std::strcmp(name, "Font") == 0) {
        b.fonts.push_back(std::make_unique<veltrane::Font>());
        io.push(b.fonts.back().get());
    } else {
        return -1;
    }
    return 0;
}

int writeLineStarts(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    for (int start : receiverAs<TextBlock>(r).lineCharStart)
        if (writeLine(io, keyword, start, spelling) != 0) return -1;
    return 0;
}

// Characters, attributes and fonts follow as blocks of their own, after these lines.
constexpr FieldTable::Line kTextBlockLines[] = {
    field<&TextBlock::officialName>("OfficialName", Spelling::quoted),
    field<&TextBlock::editorTextBlock>("EditorTextBlock", Spelling::quoted),
    field<&TextBlock::objectTextBlock>("ObjectTextBlock", Spelling::quoted),
    field<&TextBlock::hasVariables>("HasVariables"),
    field<&TextBlock::isLinked>("IsLinked"),
    field<&TextBlock::uniCode>("UniCode"),
    field<&TextBlock::maxWidth>("MaxWidth"),
    field<&TextBlock::topBaseline>("TopBaseline", Spelling::fixed),
    {"LockTopBaseline", readField<&TextBlock::lockTopBaseline>},
    field<&TextBlock::centerTextBlock>("CenterTextBlock"),
    field<&TextBlock::firstCharOffset>("FirstCharOffset", Spelling::fixed),
    field<&TextBlock::lastCenterOffset>("LastCenterOffset", Spelling::fixed),
    field<&TextBlock::createWhitespaces>("CreateWhitespaces"),
    field<&TextBlock::origin>("Origin", Spelling::fixed),
    {"LineCharStart", readLineStart, writeLineStarts},
    {"begin", beginElement},
};
constexpr FieldTable kTextBlockTable{kTextBlockLines};

bool isWhitespace(int code) { return code == ' ' || code == 1 || code == '\r' || code == '\n'; }

// Stands in for a glyph the font does not have: a box one em wide.
InputProfile2 placeholderOutline() {
    InputProfile2 outline;
    CompositeCurve2& c = outline.addContour();
    c.setClosed(true);
    Curve2& s = c.addSegment(Curve2::Linear);
    const double pts[5][2] = {{0.1, 0}, {0.9, 0}, {0.9, 0.7}, {0.1, 0.7}, {0.1, 0}};
    for (const auto& p : pts) s.addPoint(CurvePoint::anchor(p[0], p[1]));
    s.setFlag(Curve2::kClosed, true);
    s.computeLength();
    return outline;
}

}  // namespace

TextBlock::TextBlock(Scene& scene, const char* name) : SceneMember(scene, kTextBlockKind, name) { registerCommands(); }

TextBlock::~TextBlock() = default;

CommandTable& TextBlock::commandTable() {
    static CommandTable table;
    return table;
}

void TextBlock::registerCommands() {
    SceneMember::registerCommands();
    kTextBlockTable.registerInto(*this);
}

int TextBlock::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    if (kTextBlockTable.write(io, *this) != 0) return -1;
    for (auto& c : chars)
        if (io.writeBlock(*c) != 0) return -1;
    for (auto& a : attrs)
        if (io.writeBlock(*a) != 0) return -1;
    for (auto& f : fonts)
        if (io.writeBlock(*f) != 0) return -1;
    return 0;
}

int TextBlock::attributeIndex(const TextAttr& attribute) {
    attrs.push_back(std::make_unique<TextAttr>(attribute));
    return static_cast<int>(attrs.size()) - 1;
}

void TextBlock::insertChar(int position, int code, const TextAttr& attribute) {
    position = std::clamp(position, 0, static_cast<int>(chars.size()));
    auto attrOf = [&](int i) -> const TextAttr* {
        if (i < 0 || i >= static_cast<int>(chars.size())) return nullptr;
        int a = chars[static_cast<size_t>(i)]->attrIndex;
        return a >= 0 && a < static_cast<int>(attrs.size()) ? attrs[static_cast<size_t>(a)].get() : nullptr;
    };
    const TextAttr* before = attrOf(position - 1);
    const TextAttr* after = attrOf(position);
    auto c = std::make_unique<TextChar>();
    c->code = code;
    if (before && *before == attribute) {
        c->attrIndex = chars[static_cast<size_t>(position - 1)]->attrIndex;
    } else if (after && *after == attribute) {
        c->attrIndex = chars[static_cast<size_t>(position)]->attrIndex;
    } else {
        c->attrIndex = attributeIndex(attribute);
        // Inside a run whose both sides share an attribute: the rest of the run gets a
        // copy of its own, so restyling one part leaves the other alone.
        if (before && after && chars[static_cast<size_t>(position - 1)]->attrIndex == chars[static_cast<size_t>(position)]->attrIndex) {
            int shared = chars[static_cast<size_t>(position)]->attrIndex;
            int copy = attributeIndex(*attrs[static_cast<size_t>(shared)]);
            for (size_t i = static_cast<size_t>(position); i < chars.size() && chars[i]->attrIndex == shared; ++i)
                chars[i]->attrIndex = copy;
        }
    }
    chars.insert(chars.begin() + position, std::move(c));
}

void TextBlock::appendText(const std::u16string& text, const TextAttr& attribute) {
    for (char16_t c : text) insertChar(static_cast<int>(chars.size()), c, attribute);
}

std::string TextBlock::resolveVariables(TextBlock& editor, const std::vector<std::u16string>& values) {
    chars.clear();
    attrs.clear();
    for (const auto& a : editor.attrs) attrs.push_back(std::make_unique<TextAttr>(*a));
    editorTextBlock = editor.name();
    editor.objectTextBlock = name();
    std::string lastVariable;
    auto copyChar = [&](size_t i) {
        auto c = std::make_unique<TextChar>(*editor.chars[i]);
        c->origIndex = static_cast<int>(i);
        editor.chars[i]->origIndex = static_cast<int>(chars.size());
        chars.push_back(std::move(c));
    };
    auto consume = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < editor.chars.size(); ++k) editor.chars[k]->origIndex = TextChar::kConsumedByVariable;
    };
    auto insertText = [&](const std::u16string& text, int attrIndex) {
        for (char16_t code : text) {
            auto c = std::make_unique<TextChar>();
            c->code = code;
            c->attrIndex = attrIndex;
            c->origIndex = -1;
            chars.push_back(std::move(c));
        }
    };
    const auto& src = editor.chars;
    size_t i = 0;
    while (i < src.size()) {
        bool opens = i + 1 < src.size() && src[i]->code == '<' && src[i + 1]->code == '<';
        if (!opens) {
            copyChar(i++);
            continue;
        }
        // Find the closing ">>"; the text between is the variable.
        size_t close = i + 2;
        while (close + 1 < src.size() && !(src[close]->code == '>' && src[close + 1]->code == '>')) ++close;
        bool closed = close + 1 < src.size();
        std::u16string body;
        for (size_t k = i + 2; k < (closed ? close : src.size()); ++k) body += static_cast<char16_t>(src[k]->code);
        int attrIndex = src[i]->attrIndex;
        size_t colon = body.find(u':');
        lastVariable.clear();
        for (char16_t ch : u"<<" + body + (closed ? u">>" : u"")) lastVariable += static_cast<char>(ch);
        consume(i, closed ? close + 2 : src.size());
        if (!closed) {
            // Left open at the end: plain text, unless it had reached its ":".
            if (colon == std::u16string::npos) insertText(u"<<" + body, attrIndex);
            i = src.size();
            break;
        }
        std::u16string name = body.substr(0, colon);
        size_t skip = 0;
        while (skip < name.size() && (name[skip] == u' ' || name[skip] == 1 || name[skip] == u'\r' || name[skip] == u'\n'))
            ++skip;
        name = name.substr(skip);
        if (!name.empty() && name[0] >= u'0' && name[0] <= u'9') {
            size_t n = 0;
            for (char16_t d : name) {
                if (d < u'0' || d > u'9') break;
                n = n * 10 + static_cast<size_t>(d - u'0');
            }
            if (n >= 1 && n <= values.size()) insertText(values[n - 1], attrIndex);
        } else {
            insertText(body, attrIndex);
        }
        hasVariables = true;
        i = close + 2;
    }
    hasPlaceholder = false;
    if (chars.empty() && hasVariables) {
        auto c = std::make_unique<TextChar>();
        c->code = ' ';
        chars.push_back(std::move(c));
        hasPlaceholder = true;
    }
    return lastVariable;
}

std::vector<ObjectX*> TextBlock::builtObjects() const {
    std::vector<ObjectX*> objects(chars.size(), nullptr);
    for (int i = 0; i < scene().memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<ObjectX*>(scene().member(kObjectKind, i));
        auto* face = object ? dynamic_cast<ProfileT*>(scene().findMember(object->faceName())) : nullptr;
        if (!face || face->textBlock != name() || face->charIndex < 0) continue;
        const auto index = static_cast<size_t>(face->charIndex);
        if (index < objects.size() && !objects[index]) objects[index] = object;
    }
    return objects;
}

std::string TextBlock::characterName(int index) const {
    const std::string base = name();
    if (hasPlaceholder && chars.size() == 1) return base + " Empty Placeholder";
    if (index < 0 || index >= static_cast<int>(chars.size())) return base + " Char";
    int code = chars[static_cast<size_t>(index)]->code;
    if (code == ' ') return base + " space";
    if (code == '\r') return base + " Return";
    if (code == '"') return base + " ''";
    if (code > 32 && code < 127) return base + " " + static_cast<char>(code);
    return base + " Char";
}

veltrane::Font* TextBlock::fontFor(const TextAttr& attribute) {
    for (auto& f : fonts)
        if (attribute.name == f->fontName() && f->slotCount() > 0) return f.get();
    const FontList::Entry* entry = FontList::find(attribute.name);
    FontList::Entry file;
    if (!entry && Folders::exists(attribute.name)) {
        // A font file named directly, installed or not.
        file.file = attribute.name;
        file.kind = veltrane::Font::isType1File(attribute.name.c_str()) ? FontKind::kType1
                    : attribute.name.size() > 4 && (attribute.name.compare(attribute.name.size() - 4, 4, ".otf") == 0 ||
                                                    attribute.name.compare(attribute.name.size() - 4, 4, ".OTF") == 0)
                        ? FontKind::kOpenTypeCff
                        : FontKind::kTrueType;
        entry = &file;
    }
    if (!entry) return nullptr;
    std::set<uint16_t> codes;
    for (auto& c : chars) codes.insert(static_cast<uint16_t>(c->code));
    codes.insert(veltrane::Font::kCodeM);
    std::vector<uint16_t> list(codes.begin(), codes.end());
    auto font = std::make_unique<veltrane::Font>(entry->kind, attribute.name.c_str(), entry->file.c_str(), list.data(),
                                                 static_cast<int>(list.size()));
    font->load();
    // A font kept from a file is replaced by the one just loaded.
    fonts.erase(std::remove_if(fonts.begin(), fonts.end(), [&](const auto& f) { return attribute.name == f->fontName(); }),
                fonts.end());
    fonts.push_back(std::move(font));
    return fonts.back().get();
}

void TextBlock::layout() {
    struct Line {
        size_t first;
        double width = 0, height = 0, spacing = 0, baseline = 0;
    };
    auto attrOf = [&](const TextChar& c) -> TextAttr& {
        size_t a = c.attrIndex >= 0 && c.attrIndex < static_cast<int>(attrs.size()) ? static_cast<size_t>(c.attrIndex) : 0;
        if (attrs.empty()) attrs.push_back(std::make_unique<TextAttr>());
        return *attrs[a];
    };
    for (auto& a : attrs)
        if (veltrane::Font* f = fontFor(*a)) a->updateFontMetrics(*f);
    // Advances: the glyph's width at its size and width scale, plus tracking and kerning
    // in thousandths of the em.
    for (auto& c : chars) {
        TextAttr& a = attrOf(*c);
        veltrane::Font* f = fontFor(a);
        // A line break ends its line and draws nothing: the font's advance for it
        // (often the missing-glyph box's) would push centred and right lines aside.
        bool lineBreak = c->code == '\r' || c->code == '\n';
        double width = f && !lineBreak ? std::round(f->advanceWidth(c->code) * a.size * a.widthScale / 100) : 0;
        c->charWidth = lineBreak ? 0 : width + (a.spacing + a.kerning) * a.emWidth / 1000.0;
    }
    // Lines: a return breaks; a line wider than the wrap width breaks after its last whitespace.
    const double wrap = maxWidth > 0 ? maxWidth - 5.0 : 1e300;
    std::vector<Line> lines;
    lines.push_back({0});
    for (size_t i = 0; i < chars.size(); ++i) {
        Line& line = lines.back();
        line.width = std::round(line.width + chars[i]->charWidth);
        if (chars[i]->code == '\r' || chars[i]->code == '\n') {
            lines.push_back({i + 1});
            continue;
        }
        if (line.width > wrap && i > line.first) {
            size_t breakAfter = i;
            while (breakAfter > line.first && !isWhitespace(chars[breakAfter]->code)) --breakAfter;
            if (breakAfter > line.first || isWhitespace(chars[line.first]->code)) {
                lines.push_back({breakAfter + 1});
                Line& prev = lines[lines.size() - 2];
                prev.width = 0;
                for (size_t k = prev.first; k <= breakAfter; ++k) prev.width = std::round(prev.width + chars[k]->charWidth);
                for (size_t k = breakAfter + 1; k <= i; ++k) lines.back().width = std::round(lines.back().width + chars[k]->charWidth);
            }
        }
    }
    // Heights and spacings; the first line starts from a space of the first attribute.
    lineCharStart.clear();
    double widest = 0;
    for (size_t l = 0; l < lines.size(); ++l) {
        Line& line = lines[l];
        size_t end = l + 1 < lines.size() ? lines[l + 1].first : chars.size();
        const TextAttr& first = chars.empty() ? (attrs.empty() ? *attrs.emplace_back(std::make_unique<TextAttr>()) : *attrs[0])
                                              : attrOf(*chars[std::min(line.first, chars.size() - 1)]);
        line.height = first.height;
        line.spacing = std::round(first.lineSpacing());
        for (size_t k = line.first; k < end; ++k) {
            const TextAttr& a = attrOf(*chars[k]);
            line.height = std::max(line.height, a.height);
            line.spacing = std::max(line.spacing, std::round(a.lineSpacing()));
        }
        line.baseline = l == 0 ? line.spacing : std::round(lines[l - 1].baseline + line.spacing);
        lineCharStart.push_back(static_cast<int>(line.first));
        widest = std::max(widest, line.width);
    }
    if (maxWidth <= 0) maxWidth = static_cast<int>(std::ceil(widest)) + 5;
    const double W = maxWidth;
    for (size_t l = 0; l < lines.size(); ++l) {
        Line& line = lines[l];
        size_t end = l + 1 < lines.size() ? lines[l + 1].first : chars.size();
        if (line.first >= end) continue;
        int alignment = attrOf(*chars[line.first]).alignment;
        const bool justified = alignment == TextAttr::kJustified || alignment == TextAttr::kJustifiedAll;
        // Justified lines reach the right edge with their last visible character.
        size_t textEnd = end;
        double width = line.width;
        if (justified) {
            while (textEnd > line.first && isWhitespace(chars[textEnd - 1]->code)) --textEnd;
            width = 0;
            for (size_t k = line.first; k < textEnd; ++k) width = std::round(width + chars[k]->charWidth);
        }
        double x = 0, extra = 0, free = W - width - 5;
        int spaces = 0;
        for (size_t k = line.first; k < textEnd; ++k) spaces += chars[k]->code == ' ';
        if (alignment == TextAttr::kCentred) x = std::round(free * 0.5);
        if (alignment == TextAttr::kRight) x = free;
        if (justified && free > 0) {
            if (spaces > 0) extra = free / spaces;
            else if (alignment == TextAttr::kJustifiedAll && textEnd - line.first > 1)
                extra = free / static_cast<double>(textEnd - line.first - 1);
        }
        double carried = 0;
        for (size_t k = line.first; k < end; ++k) {
            TextChar& c = *chars[k];
            const TextAttr& a = attrOf(c);
            c.charPosX = x + 2.5 - W * 0.5;
            c.charPosY = std::round(line.baseline - a.baseShift * 0.01 * line.height);
            c.charBaseShift = line.baseline - c.charPosY;
            x = std::round(x + c.charWidth);
            bool gap = alignment == TextAttr::kJustifiedAll && spaces == 0 ? true : c.code == ' ';
            if (extra > 0 && gap && k + 1 < textEnd) {
                carried += extra;
                double whole = std::round(carried);
                x += whole;
                carried -= whole;
            }
        }
    }
    if (!lockTopBaseline) topBaseline = lines.empty() ? 0 : lines[0].spacing;
}

const TextAttr& TextBlock::attributeOf(const TextChar& c) const {
    static const TextAttr kDefault;
    return c.attrIndex >= 0 && c.attrIndex < static_cast<int>(attrs.size()) ? *attrs[static_cast<size_t>(c.attrIndex)] : kDefault;
}

double TextBlock::alignmentOffset() const {
    bool allLeft = !chars.empty(), allRight = !chars.empty();
    for (auto& c : chars) {
        int alignment = attributeOf(*c).alignment;
        allLeft = allLeft && alignment == TextAttr::kLeft;
        allRight = allRight && alignment == TextAttr::kRight;
    }
    return allLeft ? maxWidth * 0.5 : allRight ? maxWidth * -0.5 : 0.0;
}

InputProfile2 TextBlock::placeCharacter(size_t i, double a, double pivot[2]) {
    TextChar& c = *chars[i];
    const TextAttr& attr = attributeOf(c);
    veltrane::Font* font = fontFor(attr);
    InputProfile2 outline;
    double f = 1.0;
    if (font && font->advanceWidth(c.code) > 0) {
        outline = font->outline(c.code);
    } else {
        outline = placeholderOutline();
        f = attr.size > 0 ? c.charWidth / attr.size : 1.0;
    }
    if (!font || !font->hasGlyph(c.code)) {
        if (c.code > 126 && std::find(missingOutside_.begin(), missingOutside_.end(), c.code) == missingOutside_.end())
            missingOutside_.push_back(c.code);
        if (c.code >= 32 && c.code <= 126 && !reportedMissing) {
            Dialogs::instance().alert(
                "\rOne or more objects cannot be created because their characters are missing in the font file.  "
                "Placeholder objects will be substituted.");
            reportedMissing = true;
        }
    }
    const double x = c.charPosX + a, y = topBaseline - c.charPosY;
    const double sx = f * attr.size * attr.widthScale / 100, sy = attr.size * attr.heightScale / 100;
    for (CompositeCurve2& contour : outline.contours())
        for (Curve2& segment : contour.segments()) {
            for (int k = 0; k < segment.pointCount(); ++k) {
                CurvePoint& p = segment.point(k);
                p.x = p.x * sx + x + origin[0];
                p.y = p.y * sy + y + origin[1];
            }
            segment.computeLength();
        }
    c.profileOffset[0] = x + origin[0];
    c.profileOffset[1] = y + origin[1];
    c.profileOffset[2] = 0;
    c.profileScale[0] = sx, c.profileScale[1] = sy, c.profileScale[2] = 1;
    c.charBaseY = y;
    pivot[0] = x + c.charWidth * 0.5 + origin[0];
    pivot[1] = y + origin[1];
    return outline;
}

namespace {

// Characters that get no object of their own.
bool builtWithoutObject(const TextBlock& block, const TextChar& c) {
    return c.code == '\r' || c.code == '\n' || (c.code == ' ' && !block.createWhitespaces && !block.hasPlaceholder);
}

}  // namespace

void TextBlock::reportMissingOutside() {
    if (missingOutside_.empty()) return;
    std::string list;
    for (int code : missingOutside_) {  // as UTF-8, so the user sees the characters themselves
        const uint32_t u = static_cast<uint32_t>(code);
        if (u < 0x800) {
            list += static_cast<char>(0xC0 | (u >> 6));
        } else {
            list += static_cast<char>(0xE0 | (u >> 12));
            list += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        }
        list += static_cast<char>(0x80 | (u & 0x3F));
    }
    Dialogs::instance().alert("\rThe font has no characters for " + list + ". Placeholder objects will be substituted.");
    missingOutside_.clear();
}

int TextBlock::build(const std::string& style) {
    reportedMissing = false;
    missingOutside_.clear();
    const double a = alignmentOffset();
    int built = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (builtWithoutObject(*this, *chars[i])) continue;
        double pivot[2];
        InputProfile2 outline = placeCharacter(i, a, pivot);
        std::string objectName = characterName(static_cast<int>(i));
        auto* profile = new ProfileT(scene(), (objectName + " Outline").c_str());
        profile->textBlock = name();
        profile->charIndex = static_cast<int>(i);
        profile->setOutline(outline);
        auto* object = new ObjectX(scene(), objectName.c_str());
        object->setFace(profile->name());
        object->setStyle(style);
        // The outline is placed already; the object turns and scales about the middle
        // of the character's advance on its baseline.
        object->origin[0] = pivot[0];
        object->origin[1] = pivot[1];
        ++built;
    }
    reportMissingOutside();
    return built;
}

bool TextBlock::relayoutIfStale() {
    if (chars.empty()) return false;
    // Lay out a trial and keep it only when it disagrees with what is stored: a block
    // that agrees must save back byte for byte, fonts and metrics included.
    std::vector<TextChar> storedChars;
    for (auto& c : chars) storedChars.push_back(*c);
    std::vector<TextAttr> storedAttrs;
    for (auto& a : attrs) storedAttrs.push_back(*a);
    const std::vector<int> storedLines = lineCharStart;
    const int storedMaxWidth = maxWidth;
    const double storedTop = topBaseline;
    std::vector<std::unique_ptr<veltrane::Font>> storedFonts;
    storedFonts.swap(fonts);
    auto restore = [&] {
        for (size_t i = 0; i < chars.size(); ++i) *chars[i] = storedChars[i];
        attrs.resize(storedAttrs.size());
        for (size_t i = 0; i < attrs.size(); ++i) *attrs[i] = storedAttrs[i];
        lineCharStart = storedLines;
        maxWidth = storedMaxWidth;
        topBaseline = storedTop;
        fonts.swap(storedFonts);
        return false;
    };
    for (auto& c : chars)
        if (!fontFor(attributeOf(*c))) return restore();  // cannot judge without the font
    layout();
    // Stored numbers went through "%f" and "%g" (six significant digits).
    auto near = [](double stored, double now) { return std::fabs(stored - now) <= 1e-3 + 1e-5 * std::fabs(now); };
    bool same = lineCharStart == storedLines;
    for (size_t i = 0; same && i < chars.size(); ++i) {
        const TextChar& now = *chars[i];
        const TextChar& was = storedChars[i];
        same = near(was.charWidth, now.charWidth) && near(was.charPosX, now.charPosX) && near(was.charPosY, now.charPosY) &&
               near(was.charBaseShift, now.charBaseShift);
        if (same && !builtWithoutObject(*this, now)) {
            const TextAttr& attr = attributeOf(now);
            veltrane::Font* font = fontFor(attr);
            double f = font && font->advanceWidth(now.code) > 0 ? 1.0 : attr.size > 0 ? now.charWidth / attr.size : 1.0;
            same = near(was.profileScale[0], f * attr.size * attr.widthScale / 100) &&
                   near(was.profileScale[1], attr.size * attr.heightScale / 100);
        }
    }
    if (same) return restore();
    return true;
}

int TextBlock::rebuildCharacters() {
    reportedMissing = false;
    missingOutside_.clear();
    // The objects built for this block, by character.
    std::vector<ProfileT*> profiles(chars.size(), nullptr);
    for (int k = 0; k < scene().memberCount(kProfileKind); ++k) {
        auto* p = dynamic_cast<ProfileT*>(scene().member(kProfileKind, k));
        if (p && p->textBlock == name() && p->charIndex >= 0 && p->charIndex < static_cast<int>(chars.size()))
            profiles[static_cast<size_t>(p->charIndex)] = p;
    }
    std::vector<ObjectX*> objects(chars.size(), nullptr);
    for (int k = 0; k < scene().memberCount(kObjectKind); ++k) {
        auto* o = dynamic_cast<ObjectX*>(scene().member(kObjectKind, k));
        if (!o) continue;
        for (size_t i = 0; i < chars.size(); ++i)
            if (profiles[i] && o->faceName() == profiles[i]->name()) objects[i] = o;
    }
    // Characters whose outline was deleted stay without one.
    const double a = alignmentOffset();
    int placed = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (!profiles[i] || builtWithoutObject(*this, *chars[i])) continue;
        double pivot[2];
        profiles[i]->setOutline(placeCharacter(i, a, pivot));
        if (objects[i]) objects[i]->origin[0] = pivot[0], objects[i]->origin[1] = pivot[1];
        ++placed;
    }
    scene().markChanged();
    reportMissingOutside();
    return placed;
}

void TextBlock::postLoad() {
    // The block saves back the fonts as they were read: one loaded to lay out names its
    // file, which reading drops, so a second save would differ from the first.
    std::vector<std::unique_ptr<veltrane::Font>> asRead;
    asRead.swap(fonts);
    if (relayoutIfStale()) rebuildCharacters();
    fonts.swap(asRead);
}

}  // namespace fw
