// The pages' side of the bridge benchmark, a Linux program: "/state" requests as a page makes
// them (one connection per request, read to the server's close), timed with the monotonic clock.
//
//   bridge_client fetch PORT FILE                 one answer's raw bytes into FILE
//   bridge_client rate MODULE_PORT FLOOR_PORT ROUNDS SECONDS [DESIGNED_FLOOR_PORT]
//                                                 requests per second, module and floors in turns
//   bridge_client pages MODULE_PORT FLOOR_PORT ROUNDS SECONDS
//                                                 8 pages polling every 100 ms: latency, in turns
//   bridge_client flood PORT CONTROL_DIR          requests back to back while CONTROL_DIR/flood
//                                                 exists, until CONTROL_DIR/done exists
//   bridge_client memory PORT CONTROL_DIR COUNT   COUNT requests between two memory marks
//
// Every measurement ends with one "ROW" line, as the benchmark program in the game prints them.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPages = 8;
constexpr auto kPollInterval = std::chrono::milliseconds(100);
constexpr double kLatencyP99GoalMicroseconds = 5000;
constexpr double kRateRatioGoal = 0.8;
constexpr double kMemoryGrowthGoalBytes = 1024 * 1024;
constexpr int kMemoryWarmUpRequests = 20000;
constexpr int kMemoryClients = 2;
// How long the client waits for the benchmark program to answer a memory mark.
constexpr auto kMarkAnswerWait = std::chrono::seconds(60);

// What a page of the host's browser sends for "/state" (a page loaded from a file: origin null).
std::string stateRequest(int port) {
  return "GET /state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
         "\r\nConnection: keep-alive\r\nAccept: */*\r\nOrigin: null\r\nUser-Agent: Mozilla/5.0 (Windows NT 10.0; "
         "Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36\r\n"
         "Sec-Fetch-Site: cross-site\r\nSec-Fetch-Mode: cors\r\nSec-Fetch-Dest: empty\r\n"
         "Accept-Encoding: gzip, deflate, br\r\nAccept-Language: en-US,en;q=0.9\r\n\r\n";
}

double microsecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// One request on its own connection, read until the server closes; the answer, empty on failure.
std::string requestOnce(int port, const std::string& request) {
  const int connection = ::socket(AF_INET, SOCK_STREAM, 0);
  if (connection < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      ::send(connection, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buffer[8192];
    for (ssize_t got; (got = ::recv(connection, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
  }
  ::close(connection);
  return answer;
}

bool answeredOk(const std::string& answer) { return answer.rfind("HTTP/1.1 200 ", 0) == 0; }

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

void emit(const bench::Row& row) {
  std::printf("%s\n", bench::rowLine(row).c_str());
  std::fflush(stdout);
}

int fetch(int port, const char* file) {
  const std::string answer = requestOnce(port, stateRequest(port));
  if (!answeredOk(answer)) {
    std::fprintf(stderr, "bridge_client: no answer on port %d\n", port);
    return 1;
  }
  std::ofstream(file, std::ios::binary) << answer;
  return 0;
}

// Requests one after another for a while; the rate, or 0 when one failed.
double requestsPerSecond(int port, double seconds) {
  const std::string request = stateRequest(port);
  const Clock::time_point start = Clock::now();
  const auto until = start + std::chrono::duration<double>(seconds);
  long served = 0;
  while (Clock::now() < until) {
    if (!answeredOk(requestOnce(port, request))) return 0;
    ++served;
  }
  return served / (microsecondsSince(start) / 1e6);
}

// The module's rate in turns with the floor's, each figure paired with the floor's of its turn.
struct Rates {
  std::vector<double> module, floor;
};

bench::Row rateRow(const std::string& measurement, const Rates& rates, const char* floorName) {
  for (size_t i = 0; i < rates.module.size(); ++i)
    if (rates.module[i] == 0 || rates.floor[i] == 0) return bench::failedRow(measurement, "a request went unanswered");
  bench::Row row;
  row.measurement = measurement;
  row.module = bench::formatNumberSpread(bench::spreadOf(rates.module)) + " /s";
  row.floor = bench::formatNumberSpread(bench::spreadOf(rates.floor)) + " /s" + floorName;
  row.ratio = bench::formatNumberSpread(bench::spreadOf(bench::ratiosOf(rates.module, rates.floor)));
  return row;
}

// Turns of the module and the floors in rotating order, so none always follows another's
// TIME_WAIT backlog. With a designed floor, a second row compares the module with it.
int rate(int modulePort, int floorPort, int designedPort, int rounds, double seconds) {
  Rates minimal, designed;
  std::vector<int> ports = {modulePort, floorPort};
  if (designedPort != 0) ports.push_back(designedPort);
  for (int round = 0; round < rounds; ++round) {
    double figures[3] = {};
    for (size_t turn = 0; turn < ports.size(); ++turn) {
      const size_t which = (turn + static_cast<size_t>(round)) % ports.size();
      figures[which] = requestsPerSecond(ports[which], seconds);
    }
    minimal.module.push_back(figures[0]);
    minimal.floor.push_back(figures[1]);
    designed.module.push_back(figures[0]);
    designed.floor.push_back(figures[2]);
  }
  const std::string turns = bench::countOf(rounds, "turn") + " of " + bench::formatNumber(seconds) + " s";
  bench::Row row = rateRow("\"/state\" requests per second, one connection each (" + turns + ")", minimal, "");
  if (row.verdict != bench::Verdict::Failed) {
    const double ratio = bench::spreadOf(bench::ratiosOf(minimal.module, minimal.floor)).median;
    row.goal = "ratio ≥ " + bench::formatNumber(kRateRatioGoal);
    row.verdict = ratio >= kRateRatioGoal ? bench::Verdict::Met : bench::Verdict::Missed;
  }
  emit(row);
  if (designedPort != 0)
    emit(rateRow("\"/state\" requests per second beside a floor that also logs each request and sets both "
                 "time-outs, as the design asks (same turns)",
                 designed, " (designed floor)"));
  return row.verdict == bench::Verdict::Failed ? 1 : 0;
}

// Each page asks, waits for the answer, then waits 100 ms before asking again, as the pages'
// polling does (the next poll is scheduled after the answer, so slow answers never pile up).
// Every latency of the run, or none when a request went unanswered.
std::vector<double> pollLatencies(int port, double seconds) {
  const std::string request = stateRequest(port);
  const auto until = Clock::now() + std::chrono::duration<double>(seconds);
  std::vector<std::vector<double>> latencies(kPages);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int page = 0; page < kPages; ++page) {
    threads.emplace_back([&, page] {
      // Spread over the interval, as pages opened at different moments are.
      std::this_thread::sleep_for(kPollInterval * page / kPages);
      while (Clock::now() < until) {
        const Clock::time_point start = Clock::now();
        if (!answeredOk(requestOnce(port, request))) ++failures;
        latencies[page].push_back(microsecondsSince(start));
        std::this_thread::sleep_for(kPollInterval);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<double> all;
  if (failures.load() != 0) return all;
  for (const std::vector<double>& page : latencies) all.insert(all.end(), page.begin(), page.end());
  return all;
}

// The module's latency in turns with the floor server's under the same polling, so a 99th
// percentile the machine itself cannot reach shows as such.
int pages(int modulePort, int floorPort, int rounds, double seconds) {
  std::vector<double> module, floor, moduleP99s, floorP99s;
  bool answered = true;
  for (int round = 0; round < rounds && answered; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool moduleTurn = (round + turn) % 2 == 0;
      const std::vector<double> latencies = pollLatencies(moduleTurn ? modulePort : floorPort, seconds);
      answered = answered && !latencies.empty();
      (moduleTurn ? module : floor).insert((moduleTurn ? module : floor).end(), latencies.begin(), latencies.end());
      (moduleTurn ? moduleP99s : floorP99s).push_back(bench::percentileOf(latencies, 0.99));
    }
  }
  const std::string measurement = "\"/state\" latency, 8 pages polling every 100 ms (" + std::to_string(module.size()) +
                                  " requests in " + bench::countOf(rounds, "turn") + " of " +
                                  bench::formatNumber(seconds) + " s)";
  if (!answered) {
    emit(bench::failedRow(measurement, "a request went unanswered"));
    return 1;
  }
  const auto figure = [](const std::vector<double>& all, const std::vector<double>& p99s) {
    const bench::Spread spread = bench::spreadOf(p99s);
    return "median " + bench::formatMicroseconds(bench::spreadOf(all).median) + ", 99th percentile " +
           bench::formatMicroseconds(bench::percentileOf(all, 0.99)) + " (per turn " +
           bench::formatMicroseconds(spread.lower) + "–" + bench::formatMicroseconds(spread.upper) + ")";
  };
  const double p99 = bench::percentileOf(module, 0.99);
  bench::Row row;
  row.measurement = measurement;
  row.module = figure(module, moduleP99s);
  row.floor = figure(floor, floorP99s);
  row.ratio = bench::formatNumberSpread(bench::spreadOf(bench::ratiosOf(moduleP99s, floorP99s))) + " (99th)";
  row.goal = "99th percentile ≤ " + bench::formatMicroseconds(kLatencyP99GoalMicroseconds);
  row.verdict = bench::atMost(p99, kLatencyP99GoalMicroseconds);
  emit(row);
  return 0;
}

int flood(int port, const std::string& control) {
  const std::string request = stateRequest(port);
  long served = 0, failed = 0;
  while (!exists(control + "/done")) {
    if (!exists(control + "/flood")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    // A burst between two looks at the control file.
    for (int i = 0; i < 20; ++i) answeredOk(requestOnce(port, request)) ? ++served : ++failed;
  }
  std::printf("flood: %ld requests answered, %ld not\n", served, failed);
  return failed == 0 ? 0 : 1;
}

// Asks the benchmark program for its private bytes: creates the mark file and waits for the
// answer file.
bool memoryMark(const std::string& control, const char* name, long long& privateBytes) {
  std::ofstream(control + "/mark-" + name).put('\n');
  const std::string answer = control + "/memory-" + name;
  const auto until = Clock::now() + kMarkAnswerWait;
  while (Clock::now() < until) {
    std::ifstream in(answer);
    if (in >> privateBytes && privateBytes > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

int memory(int port, const std::string& control, long count) {
  const std::string request = stateRequest(port);
  const std::string measurement = "module memory after " + std::to_string(count) + " \"/state\" requests";
  long failed = 0;
  const long warmUp = std::min<long>(kMemoryWarmUpRequests, count);
  for (long i = 0; i < warmUp; ++i) failed += answeredOk(requestOnce(port, request)) ? 0 : 1;
  long long bytesBefore = 0, bytesAfter = 0;
  if (!memoryMark(control, "before", bytesBefore)) {
    emit(bench::failedRow(measurement, "the benchmark program gave no memory figure"));
    return 1;
  }
  const Clock::time_point start = Clock::now();
  // Two clients, so the next connection always waits in the backlog and the bridge never idles
  // between requests; it still serves one at a time.
  std::atomic<long> unanswered{0};
  std::vector<std::thread> clients;
  for (int client = 0; client < kMemoryClients; ++client)
    clients.emplace_back([&, client] {
      for (long i = client; i < count; i += kMemoryClients) unanswered += answeredOk(requestOnce(port, request)) ? 0 : 1;
    });
  for (std::thread& client : clients) client.join();
  failed += unanswered.load();
  const double seconds = microsecondsSince(start) / 1e6;
  if (!memoryMark(control, "after", bytesAfter) || failed != 0) {
    emit(bench::failedRow(measurement, std::to_string(failed) + " requests went unanswered, or no memory figure"));
    return 1;
  }
  const double growth = static_cast<double>(bytesAfter - bytesBefore);
  bench::Row row;
  row.measurement = measurement + " (after " + std::to_string(warmUp) + " to warm up; " +
                    bench::formatNumber(seconds) + " s)";
  std::ostringstream figure;
  figure << (growth >= 0 ? "+" : "") << bench::formatNumber(growth / 1024) << " KB private bytes (" << bytesBefore / 1024
         << " KB before)";
  row.module = figure.str();
  row.goal = "growth < 1 MB";
  row.verdict = growth < kMemoryGrowthGoalBytes ? bench::Verdict::Met : bench::Verdict::Missed;
  emit(row);
  return 0;
}

int usage() {
  std::fprintf(stderr,
               "usage: bridge_client fetch PORT FILE | rate MODULE_PORT FLOOR_PORT ROUNDS SECONDS [DESIGNED_FLOOR_PORT] | "
               "pages MODULE_PORT FLOOR_PORT"
               " ROUNDS SECONDS | flood PORT CONTROL_DIR | memory PORT CONTROL_DIR COUNT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "fetch" && argc == 4) return fetch(std::atoi(argv[2]), argv[3]);
  if (what == "rate" && (argc == 6 || argc == 7))
    return rate(std::atoi(argv[2]), std::atoi(argv[3]), argc == 7 ? std::atoi(argv[6]) : 0, std::atoi(argv[4]),
                std::atof(argv[5]));
  if (what == "pages" && argc == 6) return pages(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atof(argv[5]));
  if (what == "flood" && argc == 4) return flood(std::atoi(argv[2]), argv[3]);
  if (what == "memory" && argc == 5) return memory(std::atoi(argv[2]), argv[3], std::atol(argv[4]));
  return usage();
}
