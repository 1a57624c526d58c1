// The page's server: the HTTP library packaged by the system, kept to the loopback address, to
// its own assets and to the current run's data.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/RunError.h"
#include "serve/PageAssets.h"
#include "serve/Serve.h"

namespace quantifier_run {
namespace {

// Each open page holds a thread for its stream of changes; the others answer requests, which
// are small and quick. Connections beyond what the threads and the queue hold wait in the
// system's accept queue, so that a flood costs no memory here.
constexpr size_t kThreads = 24;
constexpr size_t kQueued = 64;
constexpr int kMostStreams = 16;
constexpr std::chrono::milliseconds kStreamLook{100};
constexpr std::chrono::seconds kHeartbeat{2};
constexpr size_t kMostHeaders = 64;

// With a charset, the library leaves the data uncompressed: its compression costs a tenth of a
// second on a large graph, far more than sending it over the loopback.
constexpr const char* kJson = "application/json; charset=utf-8";

constexpr const char* kSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self'; "
    "connect-src 'self'; worker-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors "
    "'none'";

// The library's pool, with a bound on the connections it holds: the accept loop waits for
// room instead of queueing without end.
class BoundedQueue : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> task) override {
        {
            std::unique_lock lock(mutex);
            room.wait(lock, [&] { return held < kThreads + kQueued; });
            ++held;
        }
        pool.enqueue([this, task = std::move(task)] {
            task();
            const std::lock_guard lock(mutex);
            --held;
            room.notify_one();
        });
    }
    void shutdown() override { pool.shutdown(); }

private:
    httplib::ThreadPool pool{kThreads};
    std::mutex mutex;
    std::condition_variable room;
    size_t held = 0;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A decimal number of at most 10 digits from a query parameter.
std::optional<size_t> Whole(const httplib::Request& request, const char* name) {
    if (!request.has_param(name)) return std::nullopt;
    const std::string text = request.get_param_value(name);
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(text);
}

// A list of channels by scene index, "3,17,40": at most kMostChannelsAsked, each once.
constexpr size_t kMostChannelsAsked = 2000;
std::optional<std::vector<size_t>> Channels(const httplib::Request& request) {
    std::vector<size_t> channels;
    if (!request.has_param("channels")) return channels;
    const std::string text = request.get_param_value("channels");
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(',', start), text.size());
        const std::string_view part = std::string_view(text).substr(start, end - start);
        if (part.empty() || part.size() > 10 ||
            part.find_first_not_of("0123456789") != std::string_view::npos ||
            channels.size() == kMostChannelsAsked)
            return std::nullopt;
        channels.push_back(std::stoull(std::string(part)));
        start = end + 1;
    }
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return channels;
}

void Refuse(httplib::Response& response, int status, const char* why) {
    response.status = status;
    response.set_content(why, "text/plain; charset=utf-8");
}

void Json(httplib::Response& response, const std::optional<std::string>& document) {
    if (!document) return Refuse(response, 404, "no such frame or channel\n");
    response.set_content(*document, kJson);
}

// The stream of the status that every open page shares.
void StreamEvents(ServeState& state, std::atomic<int>& streams, httplib::Response& response) {
    if (++streams > kMostStreams) {
        --streams;
        return Refuse(response, 503, "too many pages open\n");
    }
    // Each look sends the status when it changed, or while a run goes on, its progress;
    // a write that fails (a page closed, a client gone) ends the stream.
    struct Seen {
        uint64_t stamp = ~uint64_t{0};
        std::string status;
        std::chrono::steady_clock::time_point sent = std::chrono::steady_clock::now();
    };
    auto seen = std::make_shared<Seen>();
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "text/event-stream",
        [&state, seen](size_t offset, httplib::DataSink& sink) {
            if (offset == 0) {
                // Reconnect soon after the server comes back.
                const std::string retry = "retry: 500\n\n";
                if (!sink.write(retry.data(), retry.size())) return false;
            }
            seen->stamp = state.WaitForChange(seen->stamp, kStreamLook);
            if (state.Stopped()) return false;
            std::string status = state.Status();
            const auto now = std::chrono::steady_clock::now();
            std::string message;
            if (status != seen->status) {
                message = "event: status\ndata: " + status + "\n\n";
                seen->status = std::move(status);
            } else if (now - seen->sent > kHeartbeat) {
                message = ": still here\n\n";
            }
            if (message.empty()) return true;
            seen->sent = now;
            return sink.write(message.data(), message.size());
        },
        [&streams](bool) { --streams; });
}

void Routes(httplib::Server& server, ServeState& state, std::atomic<int>& streams) {
    for (const PageAsset& asset : PageAssets()) {
        server.Get(asset.path, [&asset](const httplib::Request&, httplib::Response& response) {
            response.set_content(asset.body.data(), asset.body.size(), asset.type);
        });
    }
    // Asked for by every browser; there is none.
    server.Get("/favicon.ico",
               [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
    server.Get("/api/view", [&state](const httplib::Request&, httplib::Response& response) {
        response.set_content(state.View(), kJson);
    });
    server.Get("/api/status", [&state](const httplib::Request&, httplib::Response& response) {
        response.set_content(state.Status(), kJson);
    });
    const auto guarded = [](httplib::Response& response, const std::function<void()>& answer) {
        try {
            answer();
        } catch (const RunError& error) {
            Refuse(response, 500, "the run to that frame failed\n");
        }
    };
    server.Get("/api/frame", [&state, guarded](const httplib::Request& request,
                                               httplib::Response& response) {
        const auto frame = Whole(request, "n");
        if (!frame) return Refuse(response, 400, "n: a frame number\n");
        const auto channels = Channels(request);
        if (!channels) return Refuse(response, 400, "channels: up to 2000 numbers, with commas\n");
        const bool sparks = request.get_param_value("spark") == "1";
        guarded(response, [&] { Json(response, state.FrameValues(*frame, *channels, sparks)); });
    });
    server.Get("/api/explain",
               [&state, guarded](const httplib::Request& request, httplib::Response& response) {
                   const auto frame = Whole(request, "frame");
                   const auto channel = Whole(request, "channel");
                   if (!frame || !channel)
                       return Refuse(response, 400, "channel and frame: numbers\n");
                   guarded(response, [&] { Json(response, state.Explanation(*channel, *frame)); });
               });
    server.Get("/events", [&state, &streams](const httplib::Request&, httplib::Response& response) {
        StreamEvents(state, streams, response);
    });
}

// Only GET, only from a page that reached us by our own name: a name that resolves to the
// loopback address by another's choice (DNS rebinding) is refused, and so is every method that
// could change something.
httplib::Server::HandlerResponse Admit(const httplib::Request& request, httplib::Response& response,
                                       int port) {
    const std::string host = Lower(request.get_header_value("Host"));
    const std::string suffix = ":" + std::to_string(port);
    if (host != "127.0.0.1" + suffix && host != "localhost" + suffix) {
        Refuse(response, 421, "wrong Host\n");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (request.method != "GET") {
        response.set_header("Allow", "GET");
        Refuse(response, 405, "only GET\n");
        return httplib::Server::HandlerResponse::Handled;
    }
    // A question to the page needs no body and a browser's usual headers; the library bounds
    // each header's length, this their number and any body, which is never read.
    if (request.headers.size() > kMostHeaders) {
        Refuse(response, 431, "too many headers\n");
        return httplib::Server::HandlerResponse::Handled;
    }
    if ((request.has_header("Content-Length") &&
         request.get_header_value("Content-Length") != "0") ||
        request.has_header("Transfer-Encoding")) {
        Refuse(response, 413, "no body is taken\n");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

}  // namespace

int ServePage(ServeState& state, uint16_t wanted, std::ostream& err,
              const std::function<int()>& watch) {
    httplib::Server server;
    std::atomic<int> streams{0};
    server.new_task_queue = [] { return new BoundedQueue; };
    // Small answers leave at once, not after the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(1024);
    server.set_keep_alive_max_count(100);
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(2, 0);
    server.set_write_timeout(2, 0);
    server.set_default_headers({
        {"Content-Security-Policy", kSecurityPolicy},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"},
    });
    const int port = wanted == 0 ? server.bind_to_any_port("127.0.0.1")
                                 : (server.bind_to_port("127.0.0.1", wanted) ? wanted : -1);
    if (port <= 0)
        throw RunError(kExitFailure,
                       "--serve: cannot listen on 127.0.0.1:" + std::to_string(wanted) +
                           " (is another program using that port?)");
    server.set_pre_routing_handler(
        [port](const httplib::Request& request, httplib::Response& response) {
            return Admit(request, response, port);
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) response.set_content("not found\n", "text/plain");
    });
    Routes(server, state, streams);
    std::thread listening([&] { server.listen_after_bind(); });
    err << "quantifier-run: serving the scene on http://127.0.0.1:" << port << "/ (Ctrl-C ends)\n"
        << std::flush;
    int exitCode = 0;
    try {
        exitCode = watch();
    } catch (...) {
        state.Stop();
        server.stop();
        listening.join();
        throw;
    }
    state.Stop();
    server.stop();
    listening.join();
    return exitCode;
}

}  // namespace quantifier_run
