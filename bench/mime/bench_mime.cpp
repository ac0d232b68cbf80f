// Throughput of MimeMessage::Load and Store on large messages: a multipart with base64
// attachments and one big quoted-printable text, at 2.5, 5 and 10 MB to show linear growth.
// With GMime available, the same messages go through it (parse plus decoding every part; writing
// a message whose parts it must encode) and our time divided by its time is printed.
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "mime/MimeMessage.h"
#include "tests/mime/HostileInputs.h"

#ifdef RP_HAVE_GMIME
#include <gmime/gmime.h>
#endif

namespace {

double Seconds(const std::function<void()>& work, int repeat = 3) {
    double best = 1e9;
    for (int i = 0; i < repeat; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct Sample {
    const char* name;
    std::string text;                                        // the message as stored
    std::vector<std::pair<std::string, std::string>> parts;  // (encoding, decoded bytes)
};

std::string StoreMessage(const MimeMessage& msg) {
    std::string out;
    msg.StoreToString(out);
    return out;
}

Sample MakeAttachments(size_t bytes) {
    Sample s{"multipart, base64 attachments", {}, {}};
    std::mt19937 rng(42);
    MimeMessage msg;
    msg.SetField("From", "bench@example.com");
    msg.SetField("Subject", "attachments");
    msg.SetBoundary("bench-boundary-0001");
    MimeBody* text = msg.CreatePart();
    text->SetField("Content-Type", "text/plain; charset=us-ascii");
    text->SetContent("See the attached files.\r\n", 0);
    s.parts.emplace_back("7bit", "See the attached files.\r\n");
    const int files = 4;
    for (int f = 0; f < files; ++f) {
        std::string data(bytes / 4 * 3 / files, '\0');
        for (char& c : data)
            c = static_cast<char>(rng());
        MimeBody* part = msg.CreatePart(MimeHeader::kMediaApplication);
        part->SetField("Content-Type", "application/octet-stream; name=\"file" + std::to_string(f) + ".bin\"");
        part->SetField("Content-Transfer-Encoding", "base64");
        part->SetContent(data.data(), static_cast<int>(data.size()));
        s.parts.emplace_back("base64", data);
    }
    s.text = StoreMessage(msg);
    return s;
}

Sample MakeQpText(size_t bytes) {
    Sample s{"large quoted-printable text", {}, {}};
    std::mt19937 rng(7);
    const char* words[] = {"news",  "\xD0\xC2\xCE\xC5", "article", "\xD6\xD0\xCE\xC4", "reply=yes",
                           "group", "\xB2\xE2\xCA\xD4"};
    std::string data;
    while (data.size() < bytes * 2 / 3) {
        std::string line;
        while (line.size() < 60 + rng() % 60)
            line += std::string(words[rng() % 7]) + " ";
        data += line + "\r\n";
    }
    MimeMessage msg;
    msg.SetField("Subject", "long text");
    msg.SetField("Content-Type", "text/plain; charset=gb2312");
    msg.SetField("Content-Transfer-Encoding", "quoted-printable");
    msg.SetContent(data.data(), static_cast<int>(data.size()));
    s.parts.emplace_back("quoted-printable", data);
    s.text = StoreMessage(msg);
    return s;
}

struct Timing {
    double load = 0, store = 0;
};

Timing RunOurs(const Sample& s) {
    Timing t;
    t.load = Seconds([&] {
        MimeMessage msg;
        msg.Load(s.text.data(), static_cast<int>(s.text.size()));
    });
    MimeMessage msg;
    msg.Load(s.text.data(), static_cast<int>(s.text.size()));
    std::string out;
    t.store = Seconds([&] { msg.StoreToString(out); });
    if (out != s.text)
        printf("  warning: stored text differs from the original\n");
    return t;
}

#ifdef RP_HAVE_GMIME
void DecodePart(GMimeObject*, GMimeObject* part, gpointer) {
    if (!GMIME_IS_PART(part))
        return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    if (!content)
        return;
    GMimeStream* out = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(content, out);
    g_object_unref(out);
}

GMimeContentEncoding ToGMime(const std::string& encoding) {
    if (encoding == "base64")
        return GMIME_CONTENT_ENCODING_BASE64;
    if (encoding == "quoted-printable")
        return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    return GMIME_CONTENT_ENCODING_7BIT;
}

Timing RunGMime(const Sample& s) {
    Timing t;
    t.load = Seconds([&] {
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(s.text.data(), s.text.size());
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        GMimeMessage* msg = g_mime_parser_construct_message(parser, nullptr);
        if (msg) {
            g_mime_message_foreach(msg, DecodePart, nullptr);
            g_object_unref(msg);
        }
        g_object_unref(parser);
        g_object_unref(stream);
    });
    // Writing: a message built from decoded parts, so GMime has to encode them as we do.
    GMimeMessage* msg = g_mime_message_new(TRUE);
    g_mime_object_set_header(GMIME_OBJECT(msg), "Subject", "bench", nullptr);
    GMimeMultipart* multipart = nullptr;
    if (s.parts.size() > 1) {
        multipart = g_mime_multipart_new_with_subtype("mixed");
        g_mime_message_set_mime_part(msg, GMIME_OBJECT(multipart));
    }
    for (const auto& p : s.parts) {
        GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
        GMimeStream* data = g_mime_stream_mem_new_with_buffer(p.second.data(), p.second.size());
        GMimeDataWrapper* wrapper = g_mime_data_wrapper_new_with_stream(data, GMIME_CONTENT_ENCODING_DEFAULT);
        g_mime_part_set_content(part, wrapper);
        g_mime_part_set_content_encoding(part, ToGMime(p.first));
        if (multipart)
            g_mime_multipart_add(multipart, GMIME_OBJECT(part));
        else
            g_mime_message_set_mime_part(msg, GMIME_OBJECT(part));
        g_object_unref(wrapper);
        g_object_unref(data);
        g_object_unref(part);
    }
    t.store = Seconds([&] {
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_object_write_to_stream(GMIME_OBJECT(msg), nullptr, out);
        g_object_unref(out);
    });
    if (multipart)
        g_object_unref(multipart);
    g_object_unref(msg);
    return t;
}
#endif

// Inputs built to make careless parsing quadratic (tests/mime/HostileInputs.h).
void RunHostile() {
    const auto inputs = HostileInputs();
    for (const auto& input : inputs) {
        const std::string& text = input.second;
        double load = Seconds([&] {
            MimeMessage msg;
            msg.Load(text.data(), static_cast<int>(text.size()));
        });
        MimeMessage msg;
        msg.Load(text.data(), static_cast<int>(text.size()));
        std::string out;
        double store = Seconds([&] { msg.StoreToString(out); });
        printf("hostile: %-21s %5.1f MB  Load %7.1f ms  Store %7.1f ms\n", input.first.c_str(), text.size() / 1048576.0,
               load * 1e3, store * 1e3);
    }
}

}  // namespace

int main() {
    RunHostile();
#ifdef RP_HAVE_GMIME
    g_mime_init();
#endif
    for (auto make : {MakeAttachments, MakeQpText}) {
        for (size_t mb : {2, 5, 10}) {
            size_t bytes = mb * 1024 * 1024 + (mb == 2 ? 512 * 1024 : 0);
            Sample s = make(bytes);
            double size = s.text.size() / 1048576.0;
            Timing ours = RunOurs(s);
            printf("%-30s %5.1f MB  Load %7.1f ms (%6.1f MB/s)  Store %7.1f ms (%6.1f MB/s)", s.name, size,
                   ours.load * 1e3, size / ours.load, ours.store * 1e3, size / ours.store);
#ifdef RP_HAVE_GMIME
            Timing gm = RunGMime(s);
            printf("  | GMime parse %7.1f ms, write %7.1f ms  | ratio load %.2f store %.2f total %.2f", gm.load * 1e3,
                   gm.store * 1e3, ours.load / gm.load, ours.store / gm.store,
                   (ours.load + ours.store) / (gm.load + gm.store));
#else
            printf("  | GMime not available: no ratio");
#endif
            printf("\n");
        }
    }
#ifdef RP_HAVE_GMIME
    g_mime_shutdown();
#endif
    return 0;
}
