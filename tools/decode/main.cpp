// corvane-decode: prints every VDM/VDO message that the tool would accept, as JSON lines.

#include "tools/console/Console.h"
#include "tools/decode/DecodeJson.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kFlushAt = 1 << 16;

bool Flush(std::string& Out) {
    const bool ok = Out.empty() || std::fwrite(Out.data(), 1, Out.size(), stdout) == Out.size();
    Out.clear();
    return ok;
}

// Reads the stream in blocks and feeds it line by line; a line may span blocks.
bool DecodeStream(std::FILE* In, TDecodeJson& Decoder, long& LineNo, std::string& Out) {
    std::vector<char> block(1 << 16);
    std::string carry;
    std::size_t n;
    auto feed = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // CR LF files
        Decoder.AddLine(line, ++LineNo, Out);
        if (Out.size() >= kFlushAt) Flush(Out);
    };
    while ((n = std::fread(block.data(), 1, block.size(), In)) > 0) {
        std::string_view rest(block.data(), n);
        for (std::size_t lf; (lf = rest.find('\n')) != std::string_view::npos;) {
            if (carry.empty()) {
                feed(rest.substr(0, lf));
            } else {
                carry.append(rest.substr(0, lf));
                feed(carry);
                carry.clear();
            }
            rest.remove_prefix(lf + 1);
        }
        carry.append(rest);
    }
    if (std::ferror(In)) return false;
    if (!carry.empty()) feed(carry);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    UseBinaryStandardStreams();
    TDecodeJson decoder;
    std::string out;
    out.reserve(kFlushAt + 4096);
    long lineNo = 0;
    int status = 0;

    if (argc < 2) {
        if (!DecodeStream(stdin, decoder, lineNo, out)) {
            std::fprintf(stderr, "corvane-decode: cannot read standard input: %s\n",
                         std::strerror(errno));
            status = 1;
        }
    }
    for (int i = 1; i < argc; ++i) {
        lineNo = 0; // line numbers count within each file
        std::FILE* in = std::fopen(argv[i], "rb");
        if (in == nullptr || !DecodeStream(in, decoder, lineNo, out)) {
            Flush(out);
            std::fprintf(stderr, "corvane-decode: cannot read %s: %s\n", argv[i],
                         std::strerror(errno));
            if (in != nullptr) std::fclose(in);
            return 1;
        }
        std::fclose(in);
    }
    if (!Flush(out) || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "corvane-decode: cannot write output: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}
