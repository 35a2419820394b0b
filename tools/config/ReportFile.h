#pragma once
// Writing check's report: a page straight into its file, a PDF through corvane-report.

#include <string>

// Writes Text as the file Path: into a new file beside it first, then renamed over Path, so
// that Path is either the old file or the whole new one. False with Error (and no file left
// behind) otherwise.
bool ReplaceFile(const std::string& Path, const std::string& Text, std::string& Error);

// False with Error ("no directory /x/y", "cannot write in /x: Permission denied") when no
// report can be written as Path: checked before the port is opened and the listening starts.
bool ReportPathUsable(const std::string& Path, std::string& Error);

// corvane-report beside this program's own executable, else the first on PATH (empty entries
// skipped: the current directory is not searched); empty when there is none.
std::string FindReportProgram();

// Runs Program as "Program - File" with Json on its standard input (no shell), its standard
// output discarded. False with Error, its standard error or how it ended, when it did not end
// with status 0.
bool RunReportProgram(const std::string& Program, const std::string& Json, const std::string& File,
                      std::string& Error);
