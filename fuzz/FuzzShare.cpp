// What the share hub and the port names take from outside: arbitrary bytes through the line
// framer (chunked as the first byte says) and the datagram grouper, checking that every
// sentence that goes in comes out once, whole and CR LF ended; and the input as a --share
// text, a network address and a port declaration.

#include "serial/NetworkAddress.h"
#include "share/ShareLines.h"
#include "share/ShareSpec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool Ok) {
    if (!Ok) std::abort();
}

void CheckDatagrams(const std::vector<TDatagram>& Out, std::size_t& Sentences) {
    for (const TDatagram& d : Out) {
        Check(d.Sentences > 0 && d.Bytes.size() >= 3);
        Check(d.Bytes.compare(d.Bytes.size() - 2, 2, "\r\n") == 0);
        Sentences += static_cast<std::size_t>(d.Sentences);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    const std::size_t chunk = 1 + Data[0] % 64;
    ++Data;
    --Size;

    TLineFramer framer(256);
    std::string lines;
    std::size_t framed = 0;
    for (std::size_t at = 0; at < Size; at += chunk)
        framed += framer.Take(Data + at, std::min(chunk, Size - at), &lines);

    TDatagramGrouper grouper;
    std::vector<TDatagram> out;
    std::size_t sentences = 0, taken = 0;
    std::int64_t now = 0;
    for (std::size_t start = 0, end; (end = lines.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        const std::string_view line(lines.data() + start, end + 2 - start);
        Check(line.size() > 2 && line.size() <= 256 + 2);
        grouper.Take(line, now += 7, out);
        ++taken;
        if (taken % 16 == 0) grouper.Expire(now + TDatagramGrouper::kHoldMs, out);
    }
    grouper.Flush(out);
    CheckDatagrams(out, sentences);
    Check(taken == framed && sentences == taken);

    const std::string text(reinterpret_cast<const char*>(Data), Size);
    TShareSpec spec;
    std::string error;
    if (ParseShareSpec(text, spec, error)) {
        TShareSpec again;
        Check(ParseShareSpec(ShareSpecText(spec), again, error));
        Check(ShareSpecText(again) == ShareSpecText(spec));
    }
    TNetworkAddress address;
    if (ParseNetworkAddress(text, address, error)) {
        TNetworkAddress again;
        Check(ParseNetworkAddress(address.Url(), again, error) && again.Url() == address.Url());
    }
    TPortDeclaration declaration;
    ParsePortDeclaration(text, declaration, error);
    PrintableAddress(text);
    return 0;
}
