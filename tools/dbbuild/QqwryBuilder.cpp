#include "tools/dbbuild/QqwryBuilder.h"

#include <algorithm>

namespace dbbuild {

namespace {

constexpr size_t kOffsetLimit = size_t{1} << 24;

void PutLittle(std::vector<unsigned char>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void SetLittle4(std::vector<unsigned char>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

bool TextProblem(const std::string& text, std::string& error) {
    if (text.find('\0') != std::string::npos) {
        error = "text holds a NUL byte";
        return true;
    }
    if (!text.empty() && (text[0] == '\x01' || text[0] == '\x02')) {
        error = "text starts with a redirect byte";
        return true;
    }
    return false;
}

}  // namespace

bool ParseLayout(const std::string& name, Layout& layout) {
    static const std::pair<const char*, Layout> kNames[] = {
        {"auto", Layout::Auto},         {"inline", Layout::Inline},
        {"mode1", Layout::Redirect},    {"mode1+2", Layout::RedirectText},
        {"mode2", Layout::TextCountry}, {"mode2area", Layout::TextArea},
    };
    for (const auto& [text, value] : kNames) {
        if (name == text) {
            layout = value;
            return true;
        }
    }
    return false;
}

void QqwryBuilder::Add(Range range) {
    ranges_.push_back(std::move(range));
}

// Stores a NUL-terminated text at the end and returns its offset; the first stored copy of each
// text is remembered as the target of later mode-2 redirects.
size_t QqwryBuilder::Put(const std::string& text) {
    const size_t at = out_->size();
    out_->insert(out_->end(), text.begin(), text.end());
    out_->push_back(0);
    texts_.emplace(text, at);
    return at;
}

// Offset of a stored copy of the text, storing a free-standing one when there is none yet.
size_t QqwryBuilder::SharedText(const std::string& text) {
    const auto found = texts_.find(text);
    return found != texts_.end() ? found->second : Put(text);
}

void QqwryBuilder::PutRedirect(unsigned char mode, size_t offset) {
    out_->push_back(mode);
    PutLittle(*out_, static_cast<uint32_t>(offset), 3);
}

// Country then area, each inline or as a mode-2 redirect; a redirect's target text is stored
// first when it is new. Returns the offset of the body, after any such text.
size_t QqwryBuilder::PutLocationBody(const Range& range, bool countryRedirect, bool areaRedirect) {
    const size_t countryAt = countryRedirect ? SharedText(range.country) : 0;
    const size_t areaAt = areaRedirect ? SharedText(range.area) : 0;
    const size_t bodyAt = out_->size();
    if (countryRedirect)
        PutRedirect(2, countryAt);
    else
        Put(range.country);
    if (areaRedirect)
        PutRedirect(2, areaAt);
    else
        Put(range.area);
    locations_.emplace(std::make_pair(range.country, range.area), bodyAt);
    return bodyAt;
}

bool QqwryBuilder::Build(std::vector<unsigned char>& out, std::string& error) {
    std::stable_sort(ranges_.begin(), ranges_.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    for (size_t i = 0; i < ranges_.size(); ++i) {
        const Range& range = ranges_[i];
        if (range.end < range.start) {
            error = "range " + std::to_string(i + 1) + " ends before it starts";
            return false;
        }
        if (i > 0 && range.start <= ranges_[i - 1].end) {
            error = "range " + std::to_string(i + 1) + " overlaps the range before it";
            return false;
        }
        if (TextProblem(range.country, error) || TextProblem(range.area, error))
            return false;
    }
    if (ranges_.empty()) {
        error = "no ranges";
        return false;
    }

    out.assign(8, 0);
    out_ = &out;
    texts_.clear();
    locations_.clear();
    std::vector<size_t> recordOffsets;
    recordOffsets.reserve(ranges_.size());

    for (const Range& range : ranges_) {
        // Everything a record points to is stored before the record, so that records stay whole:
        // a fresh mode-1 target, or the first copy of a text that a mode-2 redirect names.
        size_t target = 0;
        bool redirect = false;
        bool countryRedirect = range.layout == Layout::TextCountry;
        bool areaRedirect = range.layout == Layout::TextArea;
        if (range.layout == Layout::Redirect || range.layout == Layout::RedirectText) {
            target = PutLocationBody(range, range.layout == Layout::RedirectText, false);
            redirect = true;
        } else if (range.layout == Layout::Auto) {
            const auto found = locations_.find({range.country, range.area});
            redirect = found != locations_.end();
            if (redirect)
                target = found->second;
            countryRedirect = texts_.count(range.country) != 0;
            areaRedirect = texts_.count(range.area) != 0;
        }
        if (!redirect) {
            if (countryRedirect)
                SharedText(range.country);
            if (areaRedirect)
                SharedText(range.area);
        }

        recordOffsets.push_back(out.size());
        PutLittle(out, range.end, 4);
        if (redirect)
            PutRedirect(1, target);
        else
            PutLocationBody(range, countryRedirect, areaRedirect);
        if (out.size() >= kOffsetLimit) {
            error = "records exceed the 16 MB that 3-byte offsets reach";
            return false;
        }
    }

    const size_t firstEntry = out.size();
    for (size_t i = 0; i < ranges_.size(); ++i) {
        PutLittle(out, ranges_[i].start, 4);
        PutLittle(out, static_cast<uint32_t>(recordOffsets[i]), 3);
    }
    SetLittle4(out, 0, static_cast<uint32_t>(firstEntry));
    SetLittle4(out, 4, static_cast<uint32_t>(firstEntry + 7 * (ranges_.size() - 1)));
    out_ = nullptr;
    return true;
}

}  // namespace dbbuild
