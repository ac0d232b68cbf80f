// Held texts: new content for elements that already had some, kept beside the table until the
// whole text is needed, so that a run of small writes costs one pass over the text instead of one
// per write.
#include <algorithm>

#include "xml/XmlDocument.h"

void CXmlDocument::HoldText(int index, std::string markup) {
    ElementRecord& r = records_[index];
    if (r.held == 0) {
        held_.push_back(HeldText{index, std::string()});
        r.held = static_cast<int32_t>(held_.size());
    }
    held_[r.held - 1].markup = std::move(markup);
}

void CXmlDocument::WriteHeldTexts() const {
    if (held_.empty())
        return;
    // Each held text replaces the content of a distinct element without children, so no two
    // ranges overlap and writing them all in text order is the same as writing each at once.
    std::sort(held_.begin(), held_.end(), [this](const HeldText& a, const HeldText& b) {
        return records_[a.index].endTagBegin < records_[b.index].endTagBegin;
    });
    size_t count = held_.size();
    std::vector<int32_t> ends(count);    // where each replaced range ended in the old text
    std::vector<int32_t> shifts(count);  // the change of length up to and including that range
    size_t size = text_.size();
    for (const HeldText& h : held_) {
        const ElementRecord& r = records_[h.index];
        size = size + h.markup.size() - static_cast<size_t>(r.endTagBegin - (r.startTagEnd + 1));
    }
    std::string text;
    text.reserve(size);
    int32_t at = 0;
    int32_t shift = 0;
    for (size_t k = 0; k < count; ++k) {
        ElementRecord& r = records_[held_[k].index];
        int32_t begin = r.startTagEnd + 1;
        int32_t end = r.endTagBegin;
        text.append(text_, at, begin - at);
        text += held_[k].markup;
        at = end;
        shift += static_cast<int32_t>(held_[k].markup.size()) - (end - begin);
        ends[k] = end;
        shifts[k] = shift;
        r.held = 0;
    }
    text.append(text_, at, std::string::npos);
    text_.swap(text);
    held_.clear();

    // An offset moves by the change of every range that ended at or before it, in the records
    // that ShiftOffsets moves: the parsed prefix (removed ones keep their place in it) and every
    // live element. The end offsets of an element lie at or after its start, so their search
    // goes on from where the start's stopped.
    for (int i = 1; i < nextFree_; ++i) {
        ElementRecord& r = records_[i];
        if (i >= ordered_ && r.parent < 0)
            continue;
        int32_t start = r.startTagBegin;
        size_t first = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), start) - ends.begin());
        int32_t* fields[] = {&r.startTagBegin, &r.startTagEnd, &r.endTagBegin, &r.endTagEnd};
        for (int32_t* f : fields) {
            size_t k = first;
            if (*f < start)
                k = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), *f) - ends.begin());
            while (k < count && ends[k] <= *f)
                ++k;
            if (k > 0)
                *f += shifts[k - 1];
        }
    }
}
