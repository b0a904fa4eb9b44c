#include "bench/script_corpus.h"

namespace {

ScriptCorpus MakeLevel(int number) {
    std::string name = "Level " + std::to_string(number);
    ScriptCorpus level;
    level.configuration = "// level " + std::to_string(number) + "\r\nlevel(\"" + name +
                          "\", 640, 480) {\r\n    music(BASE)\r\n";
    level.ini = "; level " + std::to_string(number) + "\n[level" + std::to_string(number) +
                "]\nname = " + name + "\nwidth = 640\nheight = 480\nmusic = data/music/\n";
    level.toml = "# level " + std::to_string(number) + "\n[[level]]\nname = \"" + name +
                 "\"\nsize = [640, 480]\nmusic = \"data/music/\"\n";
    for (int i = 0; i < 8; ++i) {
        std::string x = std::to_string(i * 12.5), kind = i % 2 ? "orc" : "troll";
        level.configuration += "    spawn(\"" + kind + "\", " + x + ", 0.0, -3.25) /* wave */\r\n";
        level.ini += "spawn" + std::to_string(i) + " = " + kind + " " + x + " 0.0 -3.25\n";
        level.toml += "[[level.spawn]]\nkind = \"" + kind + "\"\nat = [" + x + ", 0.0, -3.25]\n";
    }
    level.configuration += "    light(1.0, 0.5, 0.25, MAXPLAYERS)\r\n}\r\n";
    level.ini += "light = 1.0 0.5 0.25 16\n";
    level.toml += "light = [1.0, 0.5, 0.25, 16]\n";
    return level;
}

} // namespace

ScriptCorpus RealisticCorpus(long bytes) {
    ScriptCorpus all = {"!level(s, i, i)\r\n!spawn(s, f, f, f)\r\n!light(f, f, f, i)\r\n"
                        "!music(s)\r\n$maxplayers(i, 16)\r\n$base(s, \"data/music/\")\r\n",
                        "", ""};
    for (int number = 0; long(all.configuration.size()) < bytes; ++number) {
        ScriptCorpus level = MakeLevel(number);
        all.configuration += level.configuration;
        all.ini += level.ini;
        all.toml += level.toml;
    }
    return all;
}
