#include "apps/zel-farm/slurm_client.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <regex>
#include <sstream>
#include <system_error>
#include <thread>

#include "apps/zel-farm/farm_command_line.h"
#include "apps/zel-render/child_processes.h"
#include "host/message_text.h"

namespace zelrender {
namespace {

// States of a job or task that has ended for good.
constexpr std::string_view kEnded[] = {"COMPLETED",  "FAILED",   "CANCELLED", "TIMEOUT",
                                       "NODE_FAIL",  "PREEMPTED", "BOOT_FAIL", "DEADLINE",
                                       "OUT_OF_MEMORY"};

struct Record {
    std::vector<int> tasks;
    TaskEnd end;
};

// The value of KEY=VALUE in one of scontrol's one-line job records.
std::string field(const std::string& line, const std::string& key)
{
    std::smatch match;
    return std::regex_search(line, match, std::regex("(^| )" + key + "=(\\S*)")) ? match[2].str()
                                                                                  : "";
}

// ArrayTaskId: "3", or for tasks not yet started "4-7", "1,3-5" or "0-9%2"; empty for a job
// that is no array.
std::vector<int> taskNumbers(std::string text)
{
    if (text.empty()) {
        return {0};
    }
    text = text.substr(0, text.find('%'));
    std::vector<int> tasks;
    std::istringstream parts(text);
    for (std::string part; std::getline(parts, part, ',');) {
        const std::size_t dash = part.find('-');
        const int first = std::stoi(part.substr(0, dash));
        const int last = dash == std::string::npos ? first : std::stoi(part.substr(dash + 1));
        for (int task = first; task <= last; ++task) {
            tasks.push_back(task);
        }
    }
    return tasks;
}

// The records scontrol keeps of `job`: none once it has dropped them all.
std::vector<Record> jobRecords(const std::string& job)
{
    std::string text;
    try {
        text = runSlurmCommand({"scontrol", "--oneliner", "show", "job", job});
    } catch (const SchedulerFailed& e) {
        if (std::string(e.what()).find("Invalid job id") != std::string::npos) {
            return {};
        }
        throw;
    }
    std::vector<Record> records;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("JobId=")) {
            const std::string exit = field(line, "ExitCode");
            const std::size_t colon = exit.find(':');
            records.push_back({taskNumbers(field(line, "ArrayTaskId")),
                               {field(line, "JobState"), std::atoi(exit.c_str()),
                                colon == std::string::npos ? 0 : std::atoi(&exit[colon + 1])}});
        }
    }
    return records;
}

}  // namespace

std::string runSlurmCommand(const std::vector<std::string>& command)
{
    Pipe output = makePipe();
    pid_t pid = -1;
    try {
        pid = spawn(command.front(), command, {{output.write.get(), STDOUT_FILENO},
                                               {output.write.get(), STDERR_FILENO}});
    } catch (const std::system_error& e) {
        throw SchedulerFailed(
            command.front() + " cannot be run (" + e.code().message() +
            "): zel-farm needs Slurm's commands on PATH, as on a cluster's login node");
    }
    output.write.reset();
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = readAll(output.read.get(), buffer, sizeof buffer)) > 0;) {
        text.append(buffer, got);
    }
    const int status = waitFor(pid);
    if (status != 0) {
        while (text.ends_with('\n')) {
            text.pop_back();
        }
        throw SchedulerFailed(command.front() + " ended with " + endingText(status) + ": " +
                              oneLine(text.substr(text.rfind('\n') + 1)));
    }
    return text;
}

std::string submitJob(const std::vector<std::string>& command)
{
    std::string text = runSlurmCommand(command);
    while (text.ends_with('\n')) {
        text.pop_back();
    }
    // The last line is "ID" or "ID;CLUSTER"; warnings may come before it.
    std::string job = text.substr(text.rfind('\n') + 1);
    job = job.substr(0, job.find(';'));
    if (job.empty() || !std::ranges::all_of(job, ::isdigit)) {
        throw SchedulerFailed("sbatch gave no job id: " + oneLine(text));
    }
    return job;
}

std::map<int, TaskEnd> waitForJob(const std::string& job)
{
    using namespace std::chrono;
    const auto start = steady_clock::now();
    std::map<int, TaskEnd> ends;
    for (int refused = 0;;) {
        std::vector<Record> records;
        try {
            records = jobRecords(job);
            refused = 0;
        } catch (const SchedulerFailed&) {
            // A busy controller may time out now and then; the jobs go on meanwhile.
            if (++refused == 5) {
                throw;
            }
            records = {{{}, {"PENDING"}}};
        }
        bool going = false;
        for (const Record& record : records) {
            const bool ended = std::ranges::find(kEnded, record.end.state) != std::end(kEnded);
            going = going || !ended;
            for (const int task : record.tasks) {
                if (ended) {
                    ends[task] = record.end;
                }
            }
        }
        if (!going) {
            return ends;
        }
        // Every second for the first ten, then a tenth of the time waited so far, at most 30 s.
        const auto waited = duration_cast<milliseconds>(steady_clock::now() - start);
        std::this_thread::sleep_for(std::clamp<milliseconds>(waited / 10, seconds(1), seconds(30)));
    }
}

}  // namespace zelrender
