// Helpers shared by the subcommands: loading, verdict lines, JSON text and ordered parallel work.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <sys/stat.h>

#include "cli/commands.h"
#include "model/text_escape.h"
#include "model/thread_start.h"

namespace quorvane::cli {

bool LoadModel(const std::string& path, const LoadOptions& options, CQuorvaneDoc& doc, OffError& error,
               OffRepairReport* report) {
    OffReadOptions read;
    read.repair = options.repair;
    read.maxBytes = options.maxBytes;
    read.buildEdges = options.buildEdges;
    return doc.LoadFromFile(path, &error, read, report);
}

bool MayBlock(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
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
    std::string line = Escaped(file);
    if (error.line != 0) {
        line += ':';
        line += std::to_string(error.line);
    }
    line += ": ";
    line += error.reason;
    return line;
}

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
                    const std::function<void(std::size_t)>& emit,
                    const std::function<bool(std::size_t)>& ownThread) {
    std::vector<unsigned char> done(count, 0);  // guarded by `mutex`
    std::mutex mutex;
    std::condition_variable ready;
    const auto finish = [&](std::size_t i) {
        {
            std::lock_guard lock(mutex);
            done[i] = 1;
        }
        ready.notify_all();
    };
    std::vector<std::size_t> queue;
    queue.reserve(count);
    std::atomic<std::size_t> next{0};
    const auto runQueued = [&] {
        for (std::size_t k = next.fetch_add(1); k < queue.size(); k = next.fetch_add(1)) {
            work(queue[k]);
            finish(queue[k]);
        }
    };
    // Declared after everything the threads use, so that they are joined before any of it goes (a
    // worker takes one more index from `next` after the last item is done).
    std::vector<std::jthread> threads;
    // Items that may block (pipes waiting for a writer) each on a thread of their own; the
    // rest, and any whose thread the system refused, in one queue in input order.
    for (std::size_t i = 0; i < count; ++i) {
        std::jthread own;
        if (count > 1 && ownThread && ownThread(i) && TryStartThread(own, [&work, &finish, i] {
                work(i);
                finish(i);
            })) {
            threads.push_back(std::move(own));
        } else {
            queue.push_back(i);
        }
    }
    // With one job the calling thread works the queue itself, between the items it emits; so it
    // does when the system refuses every worker.
    const std::size_t wanted = std::min<std::size_t>(ResolveJobs(jobs), queue.size());
    std::size_t workers = 0;
    for (std::size_t t = 0; wanted > 1 && t < wanted; ++t) {
        std::jthread worker;
        if (!TryStartThread(worker, runQueued)) {
            break;
        }
        threads.push_back(std::move(worker));
        ++workers;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        while (!done[i]) {
            const std::size_t k = workers == 0 ? next.fetch_add(1) : queue.size();
            if (k < queue.size()) {
                lock.unlock();
                work(queue[k]);
                finish(queue[k]);
                lock.lock();
            } else {
                ready.wait(lock, [&] { return done[i] != 0; });
            }
        }
        lock.unlock();
        emit(i);
    }
}

}  // namespace quorvane::cli
