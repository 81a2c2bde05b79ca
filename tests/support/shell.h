// Running programs from tests through the shell: quoting an argument, and a command's standard
// output with its exit status (standard error is left to the test log).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testshell {

// `s` as one shell word, in single quotes.
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CommandResult {
  int status;  // the exit status, -1 when the command could not run or was killed
  std::string out;
};

inline CommandResult RunCommand(const std::string& cmd) {
  CommandResult r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

struct CommandOutcome {
  int status;  // as in CommandResult
  std::string out, err;
};

// `cmd` with its standard error captured too, through an unnamed temporary file.
inline CommandOutcome RunCommandWithErrors(const std::string& cmd) {
  CommandOutcome o{-1, {}, {}};
  FILE* errFile = tmpfile();
  if (!errFile) return o;
  const CommandResult r = RunCommand(cmd + " 2>/dev/fd/" + std::to_string(fileno(errFile)));
  o.status = r.status;
  o.out = r.out;
  rewind(errFile);
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, errFile)) > 0) o.err.append(buf, n);
  fclose(errFile);
  return o;
}

}  // namespace testshell
