// Helpers shared by the subcommands: loading, verdict lines, JSON text and ordered parallel work.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/commands.h"

namespace quorvane::cli {

bool LoadModel(const std::string& path, const LoadOptions& options, CQuorvaneDoc& doc, OffError& error,
               OffRepairReport* report) {
    return doc.LoadFromFile(path, &error, OffReadOptions{options.repair}, report);
}

std::string FormatRepairs(const OffRepairReport& report, std::string_view indent) {
    std::string text;
    const std::string summary = report.Summary();
    std::size_t start = 0;
    while (start < summary.size()) {
        const std::size_t end = summary.find('\n', start);
        text += indent;
        text.append(summary, start, end - start);
        text += '\n';
        start = end + 1;
    }
    return text;
}

void AppendJsonRepairs(std::string& out, const OffRepairReport& report) {
    out += '[';
    bool firstKind = true;
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        const auto kind = static_cast<OffRepairKind>(k);
        if (report.Count(kind) == 0) {
            continue;
        }
        out += firstKind ? "{\"kind\":" : ",{\"kind\":";
        firstKind = false;
        AppendJsonString(out, OffRepairReport::KindName(kind));
        out += ",\"title\":";
        AppendJsonString(out, OffRepairReport::KindTitle(kind));
        out += ",\"count\":";
        AppendJsonInteger(out, static_cast<long long>(report.Count(kind)));
        out += ",\"examples\":[";
        bool firstExample = true;
        for (const OffRepair& repair : report.Examples()) {
            if (repair.kind != kind) {
                continue;
            }
            out += firstExample ? "{\"line\":" : ",{\"line\":";
            firstExample = false;
            AppendJsonInteger(out, static_cast<long long>(repair.line));
            out += ",\"detail\":";
            AppendJsonString(out, repair.detail);
            out += '}';
        }
        out += "]}";
    }
    out += ']';
}

// "[=====>    ] 37/100" for `done` of `total` items.
std::string ProgressBar(std::size_t done, std::size_t total) {
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = total == 0 ? kWidth : done * kWidth / total;
    std::string bar = "[";
    bar.append(filled, '=');
    if (filled < kWidth) {
        bar += '>';
        bar.append(kWidth - filled - 1, ' ');
    }
    bar += "] " + std::to_string(done) + "/" + std::to_string(total);
    return bar;
}

std::string FormatRefusal(std::string_view file, const OffError& error) {
    std::string line(file);
    if (error.line != 0) {
        line += ':';
        line += std::to_string(error.line);
    }
    line += ": ";
    line += error.reason;
    return line;
}

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;  // no overlong forms
        if (lead == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

void AppendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendJsonInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendJsonVector(std::string& out, const CVector3D& v) {
    out += '[';
    AppendJsonNumber(out, v.x);
    out += ',';
    AppendJsonNumber(out, v.y);
    out += ',';
    AppendJsonNumber(out, v.z);
    out += ']';
}

unsigned ResolveJobs(unsigned requested) {
    if (requested != 0) {
        return requested;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

void ForEachInOrder(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::function<void(std::size_t)>& emit) {
    const std::size_t threads = std::min<std::size_t>(ResolveJobs(jobs), count);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
            emit(i);
        }
        return;
    }
    std::vector<unsigned char> done(count, 0);  // guarded by `mutex`
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            work(i);
            {
                std::lock_guard lock(mutex);
                done[i] = 1;
            }
            ready.notify_all();
        }
    };
    std::vector<std::jthread> pool;
    pool.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) {
        pool.emplace_back(worker);
    }
    for (std::size_t i = 0; i < count; ++i) {
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return done[i] != 0; });
        }
        emit(i);
    }
}

}  // namespace quorvane::cli
