#pragma once
// Debian's gpsdecode as a peer decoder: run on a capture with -u (raw, unscaled values), its
// JSON lines read as flat maps of key to value text.

#include "Records.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

inline const char* const kGpsdecodePath = "/usr/bin/gpsdecode";

inline bool HaveGpsdecode() {
    return access(kGpsdecodePath, X_OK) == 0;
}

// One flat JSON object: strings unescaped, other values as their text.
inline TFields ParseGpsdecodeLine(const std::string& s) {
    TFields f;
    std::size_t i = 0;
    auto readString = [&](std::string& out) {
        ++i; // opening quote
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\' && i + 1 < s.size()) {
                ++i;
                if (s[i] == 'u' && i + 4 < s.size()) {
                    out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
                    i += 4;
                } else {
                    out += s[i] == 'n' ? '\n' : s[i] == 't' ? '\t' : s[i];
                }
            } else {
                out += s[i];
            }
            ++i;
        }
        ++i; // closing quote
    };
    while (i < s.size()) {
        if (s[i] != '"') {
            ++i;
            continue;
        }
        std::string key, value;
        readString(key);
        while (i < s.size() && (s[i] == ':' || s[i] == ' ')) ++i;
        if (i < s.size() && s[i] == '"') {
            readString(value);
        } else {
            while (i < s.size() && s[i] != ',' && s[i] != '}') value += s[i++];
        }
        f[key] = value;
    }
    return f;
}

// gpsdecode's records of a whole capture file, in order; empty when it fails.
inline std::vector<TFields> RunGpsdecode(const std::filesystem::path& Capture) {
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("corvane-peer-" + std::to_string(getpid()) + ".json");
    const std::string cmd = std::string(kGpsdecodePath) + " -u < '" + Capture.string() + "' > '" +
                            out.string() + "' 2>/dev/null";
    std::vector<TFields> records;
    if (std::system(cmd.c_str()) == 0) {
        std::ifstream in(out);
        for (std::string line; std::getline(in, line);) records.push_back(ParseGpsdecodeLine(line));
    }
    std::filesystem::remove(out);
    return records;
}
