#include "options.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "client_address.h"

namespace aerovell::scores {
namespace {

template <typename T>
bool ReadNumber(const std::string& text, T low, T high, T& out) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
  out = value;
  return true;
}

bool ReadListen(const std::string& text, Options& options) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = text.substr(0, colon);
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return false;  // an IPv6 address goes in brackets
  }
  int port = 0;
  if (!ReadNumber(text.substr(colon + 1), 0, 65535, port)) return false;
  options.host = host;
  options.port = port;
  return true;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--quiet") {
      options.quiet = true;
      continue;
    }
    if (name == "--copy-records") {
      if (i + 2 >= args.size() || args[i + 1].empty() || args[i + 2].empty()) {
        error = "--copy-records needs FROM and TO";
        return std::nullopt;
      }
      options.copy_records.emplace(args[i + 1], args[i + 2]);
      i += 2;
      continue;
    }
    static const char* const kWithValue[] = {"--listen",           "--db",
                                             "--max-per-minute",   "--max-versions-per-minute",
                                             "--clients-followed", "--max-connections",
                                             "--max-per-address",  "--trust-proxy",
                                             "--threads",          "--game-data",
                                             "--replay-workers",   "--replay-cpu-ms"};
    if (std::find(std::begin(kWithValue), std::end(kWithValue), name) == std::end(kWithValue)) {
      error = "unknown argument " + name;
      return std::nullopt;
    }
    if (i + 1 == args.size()) {
      error = name + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (name == "--listen") {
      ok = ReadListen(value, options);
    } else if (name == "--db") {
      ok = !value.empty();
      options.database = value;
    } else if (name == "--max-per-minute") {
      ok = ReadNumber(value, 0u, 1000000u, options.max_per_minute);
    } else if (name == "--max-versions-per-minute") {
      ok = ReadNumber(value, 0u, 1000000u, options.max_versions_per_minute);
    } else if (name == "--clients-followed") {
      ok = ReadNumber<size_t>(value, 1, 10000000, options.clients_followed);
    } else if (name == "--max-connections") {
      ok = ReadNumber<size_t>(value, 1, 100000, options.max_connections);
    } else if (name == "--max-per-address") {
      ok = ReadNumber<size_t>(value, 1, 100000, options.max_per_address);
    } else if (name == "--trust-proxy") {
      const auto address = NormalAddress(value);
      ok = address.has_value();
      if (ok) options.trusted_proxies.push_back(*address);
    } else if (name == "--game-data") {
      ok = !value.empty();
      options.game_data = value;
    } else if (name == "--replay-workers") {
      ok = ReadNumber<size_t>(value, 0, 64, options.replay_workers);
    } else if (name == "--replay-cpu-ms") {
      ok = ReadNumber(value, 1, 3600000, options.replay_cpu_ms);
    } else {
      ok = ReadNumber(value, 1, 256, options.threads);
    }
    if (!ok) {
      error = "bad value for " + name + ": " + value;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace aerovell::scores
