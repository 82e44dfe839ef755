// zefi_http_serve: serves the files of a directory over HTTP on 127.0.0.1 (byte ranges
// honoured) for the download demo, until a stop file appears or its lifetime is over.
//
// Usage: zefi_http_serve <directory> <stop-file> [lifetime-seconds, default 600]
// Prints "http://127.0.0.1:<port>" on its first output line once it listens. The directory is
// looked at again ten times a second, so files written after the start (a list that names the
// server's own address) are served too; each file taken up is reported on standard error as
// "serving /<path> (<size> bytes)". At the end it prints every request it received (method,
// path and Range header) and exits.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "support/http_server.h"

namespace {

namespace fs = std::filesystem;

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: zefi_http_serve <directory> <stop-file> [lifetime-seconds]\n";
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path stopFile = argv[2];
    const long lifetime = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 600;
    if (!fs::is_directory(root) || lifetime <= 0) {
        std::cerr << "zefi_http_serve: " << root << " is not a directory or bad lifetime\n";
        return 2;
    }

    testsupport::HttpServer server;
    if (!server.Ok()) {
        std::cerr << "zefi_http_serve: cannot listen on 127.0.0.1\n";
        return 1;
    }
    std::cout << server.Url("") << std::endl;

    // What was last taken up of each file: its size and modification time.
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> served;
    auto rescan = [&] {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), last; !error && it != last;
             it.increment(error)) {
            if (!it->is_regular_file(error)) continue;
            const std::string path = "/" + fs::relative(it->path(), root).generic_string();
            const auto stamp = std::make_pair(it->file_size(error), it->last_write_time(error));
            if (error || (served.count(path) && served[path] == stamp)) continue;
            testsupport::HttpReply reply;
            reply.body = ReadFile(it->path());
            server.Set(path, reply);
            served[path] = stamp;
            std::cerr << "serving " << path << " (" << reply.body.size() << " bytes)" << std::endl;
        }
    };

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(lifetime);
    while (!fs::exists(stopFile) && std::chrono::steady_clock::now() < end) {
        rescan();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    for (const testsupport::HttpRequest& request : server.Requests()) {
        std::cout << "  " << request.method << " " << request.path;
        if (request.HasHeader("Range")) std::cout << "  (Range: " << request.Header("Range") << ")";
        std::cout << "\n";
    }
    std::cout.flush();
    return 0;
}
