// Makes and ends record pipelines whose workers mostly idle, as a small
// package leaves them, many times over: each ending must wake and join every
// worker. An ending that can lose a wake-up hangs under Wine within a few
// thousand rounds; the test running this program gives it a time limit.
#include <cstdio>
#include <cstdlib>

#include "payload/record_pipeline.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3000;
    boxlift::PackOptions options;
    options.jobs = 3;
    options.level = 1;
    for (int round = 0; round < rounds; ++round) {
        boxlift::RecordPipeline pipeline(options);
        pipeline.Push(boxlift::Bytes(100, 'a'));
        if (pipeline.Pop().empty()) {
            std::printf("round %d: no record\n", round);
            return 1;
        }
    }
    std::printf("%d rounds ended\n", rounds);
    return 0;
}
