#include "BenchSections.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

using namespace imprimata::bench;

// imprimata-bench [section ...]: runs the named sections, or all of them.
int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const Section sections[] = {
        {"render", "text and image stamps into 1 MP and 24 MP pictures", runRenderBench},
        {"browsing", "file click, Show and Save as of a 24 MP JPEG", runBrowsingBench},
        {"folder", "Stamp folder against imprimata-stamp, 50 pictures of 12 MP", runFolderBench},
    };

    std::vector<const Section *> chosen;
    for (int i = 1; i < argc; ++i) {
        const Section *found = nullptr;
        for (const Section &s : sections)
            if (std::strcmp(s.name, argv[i]) == 0)
                found = &s;
        if (!found) {
            std::fprintf(stderr, "unknown section '%s'; sections:\n", argv[i]);
            for (const Section &s : sections)
                std::fprintf(stderr, "  %-12s %s\n", s.name, s.about);
            return 2;
        }
        chosen.push_back(found);
    }
    if (chosen.empty())
        for (const Section &s : sections)
            chosen.push_back(&s);
    for (const Section *s : chosen) {
        std::printf("== %s: %s\n", s->name, s->about);
        s->run();
    }
    return 0;
}
