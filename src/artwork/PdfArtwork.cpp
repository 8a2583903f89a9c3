#include "artwork/PdfArtwork.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFTokenizer.hh>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace fw {

namespace {

constexpr std::string_view kCompressedMarker = "%AI12_CompressedData";
constexpr std::string_view kPrivatePrefix = "/AIPrivateData";
// Newer Illustrator versions compress once more with Zstandard, which is not read: such
// files are read from their page instead.
constexpr std::string_view kZstandardMarker = "%AI24_ZStandard_Data";
// No drawing operator takes more; a longer run of operands is skipped with its operator.
constexpr size_t kMaxOperands = 64;
// Form XObjects drawn in all, so that forms drawing each other many times stay bounded.
constexpr int kMaxFormDraws = 10000;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// x' = a x + c y + e, y' = b x + d y + f, as PDF writes a matrix.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    // This matrix applied first, then `outer`.
    Matrix then(const Matrix& o) const {
        return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c,
                c * o.b + d * o.d, e * o.a + f * o.c + o.e, e * o.b + f * o.d + o.f};
    }
    bool finite() const {
        return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(e) &&
               std::isfinite(f);
    }
};

// The Illustrator text kept in the page's private data, its blocks joined in number
// order; empty when there is none or a block does not decode.
std::string privateText(QPDFObjectHandle page) {
    QPDFObjectHandle node = page;
    for (const char* key : {"/PieceInfo", "/Illustrator", "/Private"}) {
        if (!node.isDictionary()) return {};
        node = node.getKey(key);
    }
    if (!node.isDictionary()) return {};
    std::vector<std::pair<std::pair<unsigned long, std::string>, QPDFObjectHandle>> blocks;
    for (const std::string& key : node.getKeys()) {
        if (!startsWith(key, kPrivatePrefix)) continue;
        const std::string digits = key.substr(kPrivatePrefix.size());
        if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            continue;
        QPDFObjectHandle stream = node.getKey(key);
        if (!stream.isStream()) continue;
        // Old files keep one unnumbered block, which goes first.
        blocks.push_back({{digits.empty() ? 0 : std::stoul(digits), key}, stream});
    }
    std::sort(blocks.begin(), blocks.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::string text;
    try {
        for (auto& block : blocks) {
            std::shared_ptr<Buffer> data = block.second.getStreamData(qpdf_dl_generalized);
            if (text.size() + data->getSize() > PdfArtwork::kMaxInflated) return {};
            text.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        }
    } catch (const std::exception&) {
        return {};
    }
    return text;
}

// The first page's drawing, path by path, into the sink.
class PageDrawing {
public:
    PageDrawing(PdfArtwork::Sink& sink, QPDFObjectHandle resources) : sink_(sink), resources_(resources) {}

    // Tokens are read here rather than as qpdf objects, so that an integer past 64 bits
    // (which qpdf refuses) is read as a real and damage spoils one operation, not the page.
    void draw(const std::string& content) {
        auto input = std::make_shared<BufferInputSource>("content", content);
        QPDFTokenizer tokenizer;
        tokenizer.allowEOF();
        for (;;) {
            QPDFTokenizer::Token token = tokenizer.readToken(input, "content", true);
            switch (token.getType()) {
                case QPDFTokenizer::tt_eof: return;
                case QPDFTokenizer::tt_integer:
                case QPDFTokenizer::tt_real: {
                    const double v = std::strtod(token.getValue().c_str(), nullptr);
                    push({std::isfinite(v), v, {}});
                    break;
                }
                case QPDFTokenizer::tt_name: push({false, 0, token.getValue()}); break;
                case QPDFTokenizer::tt_word:
                    if (token.getValue() == "ID") {
                        // The image's bytes, up to EI, are no tokens.
                        char skip;
                        input->read(&skip, 1);
                        tokenizer.expectInlineImage(input);
                        tokenizer.readToken(input, "content", true);
                    } else if (!overflow_) {
                        apply(token.getValue());
                    }
                    operands_.clear();
                    overflow_ = false;
                    break;
                case QPDFTokenizer::tt_bad:
                    // A damaged token spoils only the operation it is in.
                    overflow_ = true;
                    break;
                default: push({false, 0, {}}); break;
            }
        }
    }

private:
    struct Operand {
        bool number;
        double value;
        std::string name;  // a name operand, with its slash
    };

    void push(Operand operand) {
        if (operands_.size() < kMaxOperands)
            operands_.push_back(std::move(operand));
        else
            overflow_ = true;
    }
    struct State {
        Matrix ctm;
        int fill, stroke;
    };

    // The last `n` operands as numbers; false when there are fewer or one is not a number.
    bool numbers(size_t n, double* out) {
        if (operands_.size() < n) return false;
        for (size_t i = 0; i < n; ++i) {
            const Operand& o = operands_[operands_.size() - n + i];
            if (!o.number) return false;
            out[i] = o.value;
        }
        return true;
    }
    size_t numericTail() {
        size_t n = 0;
        while (n < operands_.size() && operands_[operands_.size() - 1 - n].number) ++n;
        return n;
    }
    // A point in page space; a coordinate that overflows counts as 0, as the Illustrator
    // reader takes an unreadable number.
    std::array<double, 2> place(double x, double y) const {
        double px = ctm_.a * x + ctm_.c * y + ctm_.e, py = ctm_.b * x + ctm_.d * y + ctm_.f;
        return {std::isfinite(px) ? px : 0, std::isfinite(py) ? py : 0};
    }
    void moveTo(std::array<double, 2> p) {
        sink_.moveTo(p[0], p[1]);
        current_ = start_ = p;
        inPath_ = true;
    }
    void lineTo(std::array<double, 2> p) {
        if (!inPath_) return moveTo(p);
        sink_.lineTo(p[0], p[1]);
        current_ = p;
    }
    void curveTo(std::array<double, 2> p1, std::array<double, 2> p2, std::array<double, 2> p3) {
        if (!inPath_) moveTo(current_);
        sink_.curveTo(p1[0], p1[1], p2[0], p2[1], p3[0], p3[1]);
        current_ = p3;
    }
    void close() {
        if (!inPath_) return;
        if (current_ != start_) sink_.lineTo(start_[0], start_[1]);
        // A path that goes on after closing starts a new subpath at the same point.
        sink_.moveTo(start_[0], start_[1]);
        current_ = start_;
    }
    void paint(PdfArtwork::Paint how, bool evenOdd = false) {
        sink_.paint(how, evenOdd);
        inPath_ = false;
    }
    void setColor(bool fill, const double* v, size_t n) {
        auto unit = [](double x) { return static_cast<float>(std::clamp(x, 0.0, 1.0)); };
        if (n == 1) {
            sink_.setColor(fill, unit(v[0]), unit(v[0]), unit(v[0]));
        } else if (n == 3) {
            sink_.setColor(fill, unit(v[0]), unit(v[1]), unit(v[2]));
        } else if (n == 4) {
            const double k = v[3];
            sink_.setColor(fill, unit(1 - std::min(1.0, v[0] + k)), unit(1 - std::min(1.0, v[1] + k)),
                           unit(1 - std::min(1.0, v[2] + k)));
        }
    }
    void save() {
        if (states_.size() >= PdfArtwork::kMaxStateDepth) {
            ++lostSaves_;
            return;
        }
        states_.push_back({ctm_, sink_.colorIndex(true), sink_.colorIndex(false)});
    }
    void restore() {
        if (lostSaves_ > 0) {
            --lostSaves_;
            return;
        }
        // A form's Q cannot undo the q of what drew it.
        if (states_.size() <= floor_) return;
        ctm_ = states_.back().ctm;
        sink_.setColorIndex(true, states_.back().fill);
        sink_.setColorIndex(false, states_.back().stroke);
        states_.pop_back();
    }
    void concat(const double* m) {
        Matrix next = Matrix{m[0], m[1], m[2], m[3], m[4], m[5]}.then(ctm_);
        if (next.finite()) ctm_ = next;
    }

    // A form XObject is drawn like content of the page, in its own matrix; images and
    // everything else are passed over.
    void drawForm() {
        if (operands_.empty() || operands_.back().name.empty() || !resources_.isDictionary()) return;
        QPDFObjectHandle forms = resources_.getKey("/XObject");
        if (!forms.isDictionary()) return;
        QPDFObjectHandle form = forms.getKey(operands_.back().name);
        if (!form.isStream() || formDepth_ >= PdfArtwork::kMaxFormDepth || formDraws_ >= kMaxFormDraws ||
            states_.size() >= PdfArtwork::kMaxStateDepth)
            return;
        QPDFObjectHandle dict = form.getDict();
        if (!dict.getKey("/Subtype").isNameAndEquals("/Form")) return;
        const QPDFObjGen id = form.getObjGen();
        if (drawing_.count(id)) return;  // a form that draws itself
        ++formDraws_;
        const size_t depth = states_.size(), lost = lostSaves_;
        save();
        QPDFObjectHandle matrix = dict.getKey("/Matrix");
        if (matrix.isArray() && matrix.getArrayNItems() == 6) {
            double m[6];
            bool ok = true;
            for (int i = 0; i < 6; ++i) ok = ok && matrix.getArrayItem(i).getValueAsNumber(m[i]) && std::isfinite(m[i]);
            if (ok) concat(m);
        }
        QPDFObjectHandle outer = resources_;
        if (dict.getKey("/Resources").isDictionary()) resources_ = dict.getKey("/Resources");
        drawing_.insert(id);
        ++formDepth_;
        const size_t outerFloor = floor_;
        floor_ = states_.size();
        operands_.clear();
        try {
            std::shared_ptr<Buffer> content = form.getStreamData(qpdf_dl_generalized);
            draw(std::string(reinterpret_cast<const char*>(content->getBuffer()), content->getSize()));
        } catch (const std::exception&) {
            // What the form drew before its damage stays.
        }
        --formDepth_;
        drawing_.erase(id);
        resources_ = outer;
        // Unbalanced q inside the form end with it.
        lostSaves_ = lost;
        floor_ = outerFloor;
        states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(std::min(states_.size(), depth + 1)), states_.end());
        restore();
    }

    void apply(const std::string& op) {
        double v[6];
        using Paint = PdfArtwork::Paint;
        if (op == "m") {
            if (numbers(2, v)) moveTo(place(v[0], v[1]));
        } else if (op == "l") {
            if (numbers(2, v)) lineTo(place(v[0], v[1]));
        } else if (op == "c") {
            if (numbers(6, v)) curveTo(place(v[0], v[1]), place(v[2], v[3]), place(v[4], v[5]));
        } else if (op == "v") {
            // The first control point is the current point.
            if (numbers(4, v)) curveTo(current_, place(v[0], v[1]), place(v[2], v[3]));
        } else if (op == "y") {
            // The second control point is the end point.
            if (numbers(4, v)) curveTo(place(v[0], v[1]), place(v[2], v[3]), place(v[2], v[3]));
        } else if (op == "h") {
            close();
        } else if (op == "re") {
            if (!numbers(4, v)) return;
            moveTo(place(v[0], v[1]));
            lineTo(place(v[0] + v[2], v[1]));
            lineTo(place(v[0] + v[2], v[1] + v[3]));
            lineTo(place(v[0], v[1] + v[3]));
            close();
        } else if (op == "f" || op == "F" || op == "f*") {
            paint(Paint::kFill, op == "f*");
        } else if (op == "S") {
            paint(Paint::kStroke);
        } else if (op == "s") {
            close();
            paint(Paint::kStroke);
        } else if (op == "B" || op == "B*") {
            paint(Paint::kFillStroke, op == "B*");
        } else if (op == "b" || op == "b*") {
            close();
            paint(Paint::kFillStroke, op == "b*");
        } else if (op == "n") {
            // Clipping (W, W*) changes nothing: the clip path is ended by n and not shown,
            // as PDF writers clip to the page as a matter of course.
            paint(Paint::kNone);
        } else if (op == "q") {
            save();
        } else if (op == "Q") {
            restore();
        } else if (op == "cm") {
            if (numbers(6, v)) concat(v);
        } else if (op == "rg" || op == "RG") {
            if (numbers(3, v)) setColor(op == "rg", v, 3);
        } else if (op == "g" || op == "G") {
            if (numbers(1, v)) setColor(op == "g", v, 1);
        } else if (op == "k" || op == "K") {
            if (numbers(4, v)) setColor(op == "k", v, 4);
        } else if (op == "sc" || op == "scn" || op == "SC" || op == "SCN") {
            // Only colours given by their components: a pattern's name is passed over.
            const size_t n = numericTail();
            if (n == operands_.size() && (n == 1 || n == 3 || n == 4) && numbers(n, v))
                setColor(op == "sc" || op == "scn", v, n);
        } else if (op == "Do") {
            drawForm();
        }
    }

    PdfArtwork::Sink& sink_;
    QPDFObjectHandle resources_;
    std::vector<Operand> operands_;
    bool overflow_ = false;
    Matrix ctm_;
    std::vector<State> states_;
    size_t lostSaves_ = 0, floor_ = 0;
    std::array<double, 2> current_{0, 0}, start_{0, 0};
    bool inPath_ = false;
    std::set<QPDFObjGen> drawing_;
    int formDepth_ = 0, formDraws_ = 0;
};

std::string oneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

}  // namespace

std::string PdfArtwork::expandCompressed(std::string_view text) {
    const size_t marker = text.find(kCompressedMarker);
    if (marker == std::string_view::npos) return std::string(text);
    std::string out(text.substr(0, marker));
    size_t at = marker + kCompressedMarker.size();
    // A line end after the marker is no zlib header byte.
    while (at < text.size() && (text[at] == '\r' || text[at] == '\n')) ++at;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + at));
    z.avail_in = static_cast<uInt>(std::min<size_t>(text.size() - at, UINT32_MAX));
    std::vector<char> chunk(1 << 16);
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk.data());
        z.avail_out = static_cast<uInt>(chunk.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) break;
        out.append(chunk.data(), chunk.size() - z.avail_out);
        if (out.size() > kMaxInflated) status = Z_MEM_ERROR;
        // No progress with input left means the stream is cut short.
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) status = Z_BUF_ERROR;
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END || out.compare(marker, kZstandardMarker.size(), kZstandardMarker) == 0) return {};
    return out;
}

PdfArtwork::Sink::~Sink() = default;

PdfArtwork::Result PdfArtwork::read(std::string_view data, Sink& sink) {
    Result result;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(true);
        pdf.processMemoryFile("PDF artwork", data.data(), data.size());
        const std::vector<QPDFObjectHandle>& pages = pdf.getAllPages();
        if (pages.empty()) return result;
        QPDFObjectHandle page = pages.front();
        std::string text = expandCompressed(privateText(page));
        const size_t header = text.find("%!PS-Adobe");
        if (header != std::string::npos) {
            result.illustratorText = text.substr(header);
            return result;
        }
        // No Illustrator text: the page's own drawing.
        result.drawn = true;
        QPDFPageObjectHelper helper(page);
        Pl_Buffer content("page content");
        helper.pipeContents(&content);
        std::unique_ptr<Buffer> bytes(content.getBuffer());
        PageDrawing reader(sink, helper.getAttribute("/Resources", false));
        reader.draw(std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize()));
    } catch (const std::exception& e) {
        // Damage met while drawing leaves what was drawn before it.
        if (!result.drawn) result.error = "is a PDF file that cannot be read (" + oneLine(e.what()) + ")";
    }
    return result;
}

}  // namespace fw
