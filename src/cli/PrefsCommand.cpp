// `prefs`: the preferences that change what commands make, shown or one set and saved.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/Console.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/Subcommand.h"

namespace fw {

namespace {

struct PrefEntry {
    const char* name;
    double low, high;
    const char* what;
    double (*get)(const OrvoPrefs&);
    void (*set)(OrvoPrefs&, double);
};
template <auto Member>
constexpr PrefEntry prefEntry(const char* name, double low, double high, const char* what) {
    using Value = std::remove_reference_t<decltype(std::declval<OrvoPrefs&>().*Member)>;
    return {name,
            low,
            high,
            what,
            [](const OrvoPrefs& p) { return static_cast<double>(p.*Member); },
            [](OrvoPrefs& p, double v) { p.*Member = static_cast<Value>(v); }};
}
constexpr PrefEntry kPrefEntries[] = {
    prefEntry<&OrvoPrefs::hardShadingAngle>(
        "HardShadingAngle", 0, 180, "degrees: an imported mesh's faces meeting at a sharper angle keep a crease"),
    prefEntry<&OrvoPrefs::shaderTextureWidth>("ShaderTextureWidth", 16, 8192,
                                              "pixels across a material's baked texture"),
    prefEntry<&OrvoPrefs::shaderTextureHeight>("ShaderTextureHeight", 16, 8192,
                                               "pixels down a material's baked texture"),
    prefEntry<&OrvoPrefs::glslShadowOffset>("GLSLShadowOffset", 0, 0.1,
                                            "how far an OpenGL shadow is pushed off its surface"),
    prefEntry<&OrvoPrefs::saveRenderLogs>("SaveRenderLogs", 0, 1,
                                          "1: a text log of each sequence's frame times beside its output"),
};

const PrefEntry* findPref(const std::string& name) {
    for (const PrefEntry& e : kPrefEntries)
        if (name == e.name) return &e;
    std::vector<std::string> names;
    for (const PrefEntry& e : kPrefEntries) names.push_back(e.name);
    std::string text = "no such preference; the closest are";
    std::vector<std::string> close = FactoryLibrary::closeNames(name, names, 3);
    for (size_t i = 0; i < close.size(); ++i) text += (i ? ", " : " ") + close[i];
    printError(name, text);
    return nullptr;
}

int prefsCommand(const std::vector<std::string>& words) {
    Session session;
    OrvoPrefs& prefs = session.app.prefs();
    if (words.empty()) {
        for (const PrefEntry& e : kPrefEntries) std::printf("%s %g  (%s)\n", e.name, e.get(prefs), e.what);
        return kExitOk;
    }
    const PrefEntry* entry = findPref(words[0]);
    if (!entry) return kExitUserError;
    if (words.size() == 1) {
        std::printf("%g\n", entry->get(prefs));
        return kExitOk;
    }
    char* end = nullptr;
    const double value = std::strtod(words[1].c_str(), &end);
    if (words.size() > 2 || end == words[1].c_str() || *end != 0 || !(value >= entry->low && value <= entry->high)) {
        char text[160];
        std::snprintf(text, sizeof text, "takes one number from %g to %g", entry->low, entry->high);
        printError(entry->name, text);
        return kExitUserError;
    }
    entry->set(prefs, value);
    return session.app.sceneManager().savePreferences() ? kExitOk : kExitUserError;
}

class PrefsCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand(
            "prefs",
            "Show the preferences that change what commands make, or set one (NAME VALUE); nothing else "
            "carries from one command to the next.");
        command_->add_option("NAME VALUE", words_, "a preference, and its new value");
    }
    int run() override { return prefsCommand(words_); }

private:
    std::vector<std::string> words_;
};

}  // namespace

std::unique_ptr<Subcommand> makePrefsCommand() { return std::make_unique<PrefsCommand>(); }

}  // namespace fw
