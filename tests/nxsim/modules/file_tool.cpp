// A tool that writes a file through the host's run-time layer, as the log and the
// machine file are written. Set in the environment by the tests:
//   NXSIM_TEST_BYTES   how many bytes go to D:\out.txt (default 16);
//   NXSIM_TEST_SELECT  open a selection first, for the engineer's picks;
//   NXSIM_TEST_REMOVE  a drive path to remove first, as the export removes a file;
//   NXSIM_TEST_APPEND  after that removal, fail when the path still opens for reading,
//                      then append "again" to it this many times;
//   NXSIM_TEST_GATE    a folder: after writing, create GATE/started and wait for
//                      GATE/go (then removed), so a test can act while the run is
//                      under way.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "uf.h"
#include "uf_ui.h"

namespace {

void wait_at_gate(const char *gate) {
    std::filesystem::path dir(gate);
    // Not through fopen: that is the host's, for drive paths only.
    int fd = ::open((dir / "started").c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd >= 0) ::close(fd);
    for (int i = 0; i < 600 && !std::filesystem::exists(dir / "go"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Taken: the next run of a workflow waits again.
    std::error_code ignored;
    std::filesystem::remove(dir / "go", ignored);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    *retcod = 1;
    if (UF_initialize() != 0) return;
    if (std::getenv("NXSIM_TEST_SELECT") != nullptr) {
        int response = 0, count = 0;
        tag_t *objects = nullptr;
        UF_UI_select_with_class_dialog("pick", "pick", UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, nullptr, nullptr, &response,
                                       &count, &objects);
        UF_free(objects);
    }
    const char *gone = std::getenv("NXSIM_TEST_REMOVE");
    if (gone != nullptr && std::remove(gone) != 0) return;
    if (const char *again = std::getenv("NXSIM_TEST_APPEND"); again != nullptr && gone != nullptr) {
        if (FILE *still = fopen(gone, "r")) {
            std::fclose(still);
            return;
        }
        for (int i = 0; i < std::atoi(again); ++i) {
            FILE *more = fopen(gone, "a");
            if (more == nullptr) return;
            std::fputs("again", more);
            std::fclose(more);
        }
    }
    const char *bytes = std::getenv("NXSIM_TEST_BYTES");
    long n = bytes != nullptr ? std::atol(bytes) : 16;
    FILE *out = fopen("D:\\out.txt", "w");
    if (out != nullptr) {
        for (long i = 0; i < n; ++i) std::fputc(i % 64 == 63 ? '\n' : 'x', out);
        std::fclose(out);
    }
    if (const char *gate = std::getenv("NXSIM_TEST_GATE")) wait_at_gate(gate);
    UF_terminate();
    *retcod = 0;
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
