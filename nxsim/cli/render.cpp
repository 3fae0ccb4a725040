// `nxsim render`: draws the displayed assembly in one plane of the displayed part's
// WCS, so an engineer can see the routes, their walk order and what the route check
// found without the CAD host.
#include "render.h"

#include <iostream>
#include <vector>

#include "files.h"
#include "json_error.h"
#include "model.h"
#include "render_findings.h"
#include "render_picture.h"
#include "render_svg.h"
#include "session_file.h"

namespace nxsim {

using namespace render;

std::map<std::string, size_t> findings_per_route(const std::filesystem::path &log) {
    std::map<std::string, size_t> count;
    for (const Finding &f : read_findings(log)) ++count[f.route];
    return count;
}

int render_command(const RenderOptions &options, std::ostream &out, std::ostream &err) {
    try {
        Plane plane = Plane::XY;
        if (options.plane) {
            if (*options.plane == "xy")
                plane = Plane::XY;
            else if (*options.plane == "yz")
                plane = Plane::YZ;
            else if (*options.plane == "zx")
                plane = Plane::ZX;
            else
                throw InputError("--plane: expected xy, yz or zx, not \"" + *options.plane + "\"");
        }
        std::unique_ptr<Session> session = load_session(options.session);
        if (session->display == nullptr) throw InputError(options.session.string() + ": display: no part is displayed");
        std::vector<Finding> findings;
        if (options.findings) findings = read_findings(*options.findings);

        Picture pic;
        std::string svg;
        size_t unmatched = 0;
        try {
            pic = gather(*session, plane);
            unmatched = apply_findings(pic, findings);
            svg = draw(*session, pic, plane, options.findings.has_value(), options.by_fastener);
        } catch (const InputError &e) {
            throw InputError(options.session.string() + ": " + e.what());
        }
        write_file_atomically(options.out, svg);

        size_t marked = 0;
        for (const Rivet &r : pic.rivets) marked += r.findings.empty() ? 0 : 1;
        out << options.out.string() << ": " << counted(pic.routes.size(), "route") << ", "
            << counted(pic.rivets.size(), "rivet");
        if (options.findings) out << ", " << marked << " marked";
        out << "\n";
        if (unmatched) {
            const Finding *first = nullptr;
            for (const Finding &f : findings)
                if (!f.matched && first == nullptr) first = &f;
            err << "nxsim: note: " << options.findings->string() << ":" << first->line << ": " << unmatched
                << (unmatched == 1 ? " finding names" : " findings name") << " no rivet of the displayed assembly\n";
        }
        return 0;
    } catch (const InputError &e) {
        err << "nxsim: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace nxsim
