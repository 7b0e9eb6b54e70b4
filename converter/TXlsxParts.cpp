#include "converter/TXlsxParts.h"

#include "converter/TConvertMessage.h"
#include "platform/Win1252.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <expat.h>

namespace artikel::convert {
namespace {

std::string_view LocalName(const char* name)
{
    std::string_view n(name);
    const std::size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

int ToInt(const char* text, int fallback)
{
    if (!text)
        return fallback;
    int v = fallback;
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, v);
    return r.ec == std::errc() ? v : fallback;
}

bool IsTrue(const char* text) { return text && (std::strcmp(text, "1") == 0 || std::strcmp(text, "true") == 0); }

void AppendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The common case of a number cell: up to 15 digits in plain decimal notation, which the
// general form shows as written (trailing fraction zeros dropped, decimal comma).
bool PlainDecimal(const std::string& v, std::string& out)
{
    std::size_t i = 0, digits = 0;
    if (v[0] == '-')
        ++i;
    const std::size_t intStart = i;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9')
        ++i, ++digits;
    const std::size_t intLen = i - intStart;
    if (intLen == 0 || (intLen > 1 && v[intStart] == '0'))
        return false;
    std::size_t fracEnd = i;
    if (i < v.size() && v[i] == '.') {
        ++i;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9')
            ++i, ++digits;
        fracEnd = i;
        while (fracEnd > intStart + intLen + 1 && v[fracEnd - 1] == '0')
            --fracEnd;
        if (fracEnd == intStart + intLen + 1)
            fracEnd = intStart + intLen; // nothing left after the point
    }
    if (i != v.size() || digits > 15)
        return false;
    out.assign(v, 0, fracEnd);
    if (fracEnd > intStart + intLen)
        out[intStart + intLen] = ',';
    if (out == "-0")
        out = "0";
    return true;
}

} // namespace

struct TXmlPart::Impl {
    XML_Parser parser = nullptr;
    TXmlPart* owner = nullptr;
    bool doctype = false;
    std::exception_ptr error;

    static void OnStart(void* data, const XML_Char* name, const XML_Char** attrs)
    {
        auto* self = static_cast<Impl*>(data);
        try {
            self->owner->Start(LocalName(name), attrs);
        } catch (...) {
            self->Abort(std::current_exception());
        }
    }
    static void OnEnd(void* data, const XML_Char* name)
    {
        auto* self = static_cast<Impl*>(data);
        try {
            self->owner->End(LocalName(name));
        } catch (...) {
            self->Abort(std::current_exception());
        }
    }
    static void OnText(void* data, const XML_Char* s, int len)
    {
        auto* self = static_cast<Impl*>(data);
        TXmlPart* part = self->owner;
        if (part->collecting_ && part->text_.size() < kMaxText)
            part->text_.append(s, std::min(static_cast<std::size_t>(len), kMaxText - part->text_.size()));
    }
    static void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        auto* self = static_cast<Impl*>(data);
        self->doctype = true;
        XML_StopParser(self->parser, XML_FALSE);
    }
    void Abort(std::exception_ptr e)
    {
        if (!error)
            error = std::move(e);
        XML_StopParser(parser, XML_FALSE);
    }
};

TXmlPart::TXmlPart(std::string fileName)
    : TXmlPart(std::move(fileName), false)
{}

namespace {

// expat knows UTF-8, UTF-16, ISO-8859-1 and US-ASCII; Windows-1252 is given to it as a table.
int OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info)
{
    std::string n;
    for (const char* p = name; *p; ++p)
        n += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
    if (n != "windows-1252" && n != "cp1252" && n != "x-cp1252")
        return XML_STATUS_ERROR;
    for (int i = 0; i < 256; ++i)
        info->map[i] = static_cast<int>(Win1252ToUnicode(static_cast<unsigned char>(i)));
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace

TXmlPart::TXmlPart(std::string fileName, bool declaredEncoding)
    : impl_(std::make_unique<Impl>()),
      fileName_(std::move(fileName))
{
    impl_->parser = XML_ParserCreate(declaredEncoding ? nullptr : "UTF-8");
    if (!impl_->parser)
        throw std::bad_alloc();
    impl_->owner = this;
    XML_SetUserData(impl_->parser, impl_.get());
    XML_SetElementHandler(impl_->parser, &Impl::OnStart, &Impl::OnEnd);
    XML_SetCharacterDataHandler(impl_->parser, &Impl::OnText);
    // Workbooks never need a DTD; refusing it rules out entity expansion of every kind.
    XML_SetStartDoctypeDeclHandler(impl_->parser, &Impl::OnDoctype);
    XML_SetParamEntityParsing(impl_->parser, XML_PARAM_ENTITY_PARSING_NEVER);
    if (declaredEncoding)
        XML_SetUnknownEncodingHandler(impl_->parser, &OnUnknownEncoding, nullptr);
}

TXmlPart::~TXmlPart() { XML_ParserFree(impl_->parser); }

const char* TXmlPart::Attr(const char** attrs, std::string_view name)
{
    for (; attrs && attrs[0]; attrs += 2)
        if (LocalName(attrs[0]) == name)
            return attrs[1];
    return nullptr;
}

void TXmlPart::Feed(const char* data, std::size_t size, bool final)
{
    // expat takes an int length: large chunks go in pieces.
    constexpr std::size_t kPiece = 1 << 30;
    do {
        const std::size_t n = std::min(size, kPiece);
        const bool last = final && n == size;
        if (XML_Parse(impl_->parser, data, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            if (impl_->error)
                std::rethrow_exception(impl_->error);
            if (impl_->doctype)
                FailFile(fileName_, "enthält eine unzulässige Dokumenttyp-Deklaration (DTD).");
            FailFile(fileName_,
                     "ist beschädigt (XML-Fehler in Zeile " + std::to_string(XML_GetCurrentLineNumber(impl_->parser)) +
                         ": " + XML_ErrorString(XML_GetErrorCode(impl_->parser)) + ").");
        }
        data += n;
        size -= n;
    } while (size > 0);
}

std::string OoxmlTextToWin1252(std::string_view in)
{
    if (in.find("_x") == std::string_view::npos)
        return Utf8ToWin1252(in);
    std::string utf8;
    utf8.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '_' && i + 6 < in.size() && in[i + 1] == 'x' && in[i + 6] == '_') {
            int v = 0;
            bool hex = true;
            for (std::size_t k = 2; k < 6 && hex; ++k) {
                const int h = HexValue(in[i + k]);
                hex = h >= 0;
                v = v * 16 + h;
            }
            if (hex && v != 0) {
                AppendUtf8(utf8, static_cast<unsigned>(v));
                i += 6;
                continue;
            }
        }
        utf8 += in[i];
    }
    return Utf8ToWin1252(utf8);
}

// ---- shared strings

void TXlsxSharedStrings::Start(std::string_view name, const char**)
{
    if (name == "si") {
        inItem_ = true;
        item_.clear();
    } else if (name == "rPh") {
        ++phonetic_;
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
        collecting_ = true;
        text_.clear();
    }
}

void TXlsxSharedStrings::End(std::string_view name)
{
    if (name == "t" && collecting_) {
        collecting_ = false;
        if (item_.size() < kMaxText)
            item_.append(text_, 0, kMaxText - item_.size());
    } else if (name == "rPh") {
        if (phonetic_ > 0)
            --phonetic_;
    } else if (name == "si" && inItem_) {
        inItem_ = false;
        if (strings.Size() >= kMaxStrings)
            FailFile(FileName(), "enthält mehr Texte, als eine Arbeitsmappe haben kann.");
        strings.Add(OoxmlTextToWin1252(item_));
    }
}

// ---- styles

void TXlsxStyles::Start(std::string_view name, const char** attrs)
{
    if (name == "numFmt") {
        const int id = ToInt(Attr(attrs, "numFmtId"), -1);
        const char* code = Attr(attrs, "formatCode");
        if (id >= 0 && code)
            custom_[id] = TCellFormat::FromCode(code);
    } else if (name == "cellXfs") {
        inCellXfs_ = true;
    } else if (name == "xf" && inCellXfs_ && xfFormatIds_.size() < 1000000) {
        xfFormatIds_.push_back(ToInt(Attr(attrs, "numFmtId"), 0));
    }
}

void TXlsxStyles::End(std::string_view name)
{
    if (name == "cellXfs")
        inCellXfs_ = false;
}

std::vector<TCellFormat> TXlsxStyles::CellFormats() const
{
    std::vector<TCellFormat> out;
    out.reserve(xfFormatIds_.size());
    for (int id : xfFormatIds_) {
        const auto it = custom_.find(id);
        out.push_back(it != custom_.end() ? it->second : TCellFormat::FromBuiltinId(id));
    }
    return out;
}

// ---- workbook and relations

void TXlsxWorkbook::Start(std::string_view name, const char** attrs)
{
    if (name == "workbookPr") {
        date1904 = IsTrue(Attr(attrs, "date1904"));
    } else if (name == "sheet" && sheets.size() < 10000) {
        Sheet s;
        if (const char* v = Attr(attrs, "name"))
            s.name = v;
        if (const char* v = Attr(attrs, "id"))
            s.relId = v;
        if (const char* v = Attr(attrs, "state"))
            s.hidden = std::strcmp(v, "visible") != 0;
        sheets.push_back(std::move(s));
    }
}

void TXlsxRelations::Start(std::string_view name, const char** attrs)
{
    if (name != "Relationship" || relations.size() >= 100000)
        return;
    const char* id = Attr(attrs, "Id");
    const char* type = Attr(attrs, "Type");
    const char* target = Attr(attrs, "Target");
    if (id && type && target)
        relations[id] = Relation{type, target};
}

// ---- worksheet

TXlsxSheetParser::TXlsxSheetParser(std::string fileName, const TStringTable& sharedStrings,
                                   const std::vector<TCellFormat>& formats, bool date1904, TConvertSink& sink)
    : TXmlPart(std::move(fileName)),
      shared_(sharedStrings),
      formats_(formats),
      date1904_(date1904),
      sink_(sink)
{}

void TXlsxSheetParser::Start(std::string_view name, const char** attrs)
{
    if (name == "row") {
        cells_.clear();
        nextColumn_ = 0;
    } else if (name == "c") {
        inCell_ = true;
        column_ = nextColumn_;
        // One pass over the attributes: this runs for every cell of the sheet.
        const char* ref = nullptr;
        const char* t = nullptr;
        const char* styleText = nullptr;
        for (const char** a = attrs; a && a[0]; a += 2) {
            const char* n = a[0];
            if (n[0] != '\0' && n[1] == '\0') {
                if (n[0] == 'r')
                    ref = a[1];
                else if (n[0] == 't')
                    t = a[1];
                else if (n[0] == 's')
                    styleText = a[1];
            }
        }
        if (ref) {
            // "BC12": the letters give the column; a malformed reference keeps the running column.
            std::size_t col = 0;
            int letters = 0;
            for (const char* p = ref; *p && letters <= 3; ++p) {
                const char c = static_cast<char>(*p & ~0x20);
                if (c < 'A' || c > 'Z')
                    break;
                col = col * 26 + static_cast<std::size_t>(c - 'A' + 1);
                ++letters;
            }
            if (letters >= 1 && letters <= 3)
                column_ = col - 1;
        }
        nextColumn_ = column_ + 1;
        type_ = t ? t : "n";
        style_ = ToInt(styleText, 0);
        value_.clear();
        inline_.clear();
        phonetic_ = 0;
    } else if (inCell_) {
        if (name == "v") {
            collecting_ = true;
            text_.clear();
        } else if (name == "is") {
            inInline_ = true;
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inInline_ && phonetic_ == 0) {
            collecting_ = true;
            text_.clear();
        }
    }
}

std::string TXlsxSheetParser::CellText()
{
    if (type_ == "s") {
        int index = -1;
        const auto r = std::from_chars(value_.data(), value_.data() + value_.size(), index);
        if (r.ec != std::errc() || index < 0 || static_cast<std::size_t>(index) >= shared_.Size())
            return {};
        return std::string(shared_.At(static_cast<std::size_t>(index)));
    }
    // Some writers leave out t="inlineStr" beside an <is> element.
    if (type_ == "inlineStr" || (value_.empty() && !inline_.empty()))
        return OoxmlTextToWin1252(inline_);
    if (type_ == "str")
        return OoxmlTextToWin1252(value_);
    if (type_ == "b")
        return value_ == "1" || value_ == "true" ? "WAHR" : (value_.empty() ? "" : "FALSCH");
    if (type_ == "e") {
        // The error codes as a German spreadsheet program shows them.
        static const std::pair<std::string_view, const char*> kGerman[] = {
            {"#N/A", "#NV"}, {"#VALUE!", "#WERT!"}, {"#REF!", "#BEZUG!"}, {"#NUM!", "#ZAHL!"}};
        for (const auto& [code, german] : kGerman)
            if (value_ == code)
                return german;
        return Utf8ToWin1252(value_);
    }
    if (type_ == "d")
        return Utf8ToWin1252(IsoDateToGerman(value_));
    if (value_.empty())
        return {};
    const bool general = style_ < 0 || static_cast<std::size_t>(style_) >= formats_.size() ||
        formats_[static_cast<std::size_t>(style_)].kind == TCellFormat::Kind::General ||
        formats_[static_cast<std::size_t>(style_)].kind == TCellFormat::Kind::Text;
    if (general) {
        std::string quick;
        if (PlainDecimal(value_, quick))
            return quick;
    }
    double number = 0;
    std::size_t skip = 0;
    while (skip < value_.size() && (value_[skip] == ' ' || value_[skip] == '+'))
        ++skip;
    const auto r = std::from_chars(value_.data() + skip, value_.data() + value_.size(), number);
    if (r.ec != std::errc() || r.ptr != value_.data() + value_.size())
        return Utf8ToWin1252(value_);
    const TCellFormat format = style_ >= 0 && static_cast<std::size_t>(style_) < formats_.size()
        ? formats_[static_cast<std::size_t>(style_)]
        : TCellFormat{};
    return FormatCellNumber(number, format, date1904_);
}

void TXlsxSheetParser::End(std::string_view name)
{
    if (name == "v" && collecting_) {
        collecting_ = false;
        value_.swap(text_);
    } else if (name == "t" && collecting_) {
        collecting_ = false;
        if (inline_.size() < kMaxText)
            inline_.append(text_, 0, kMaxText - inline_.size());
    } else if (name == "rPh") {
        if (phonetic_ > 0)
            --phonetic_;
    } else if (name == "is") {
        inInline_ = false;
    } else if (name == "c" && inCell_) {
        inCell_ = false;
        collecting_ = false;
        std::string text = CellText();
        if (text.empty())
            return;
        if (column_ >= kMaxColumns) {
            dropped_ = true;
            return;
        }
        if (cells_.size() <= column_)
            cells_.resize(column_ + 1);
        cells_[column_] = std::move(text);
    } else if (name == "row") {
        // Cells only become part of the row when not empty, so a row ends at its last value.
        if (!cells_.empty()) {
            if (rows_ >= kMaxRows)
                FailFile(FileName(), "hat mehr Zeilen, als ein Tabellenblatt haben kann.");
            sink_.Row(cells_);
            ++rows_;
        }
        cells_.clear();
    }
}

} // namespace artikel::convert
