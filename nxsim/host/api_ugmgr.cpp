// The product data manager's part names: encoding and decoding "@DB/<number>/<revision>".
#include <cstring>

#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_ugmgr.h"

using namespace nxsim;

extern "C" {

NXSIM_EXPORT int UF_UGMGR_encode_part_filename(const char *part_number, const char *part_revision,
                                               const char *part_file_type, const char *part_file_name,
                                               char encoded_name[MAX_FSPEC_SIZE + 1]) {
    return guarded("UF_UGMGR_encode_part_filename", true, [&](Host &) {
        if (part_number == nullptr || part_revision == nullptr || encoded_name == nullptr || *part_number == '\0')
            return code::kInvalidArgument;
        std::string type = part_file_type != nullptr ? part_file_type : "";
        std::string name = part_file_name != nullptr ? part_file_name : "";
        if (std::strchr(part_number, '/') != nullptr || std::strchr(part_revision, '/') != nullptr)
            return code::kInvalidArgument;
        std::string encoded = std::string("@DB/") + part_number + "/" + part_revision;
        // The master file of a part is named by number and revision alone.
        if (!type.empty() && type != "master") encoded += "/" + type + "/" + name;
        if (encoded.size() > MAX_FSPEC_SIZE) return code::kNameTooLong;
        copy_text(encoded_name, MAX_FSPEC_SIZE + 1, encoded);
        return 0;
    });
}

NXSIM_EXPORT int UF_UGMGR_decode_part_filename(const char *encoded_name, char part_number[UF_UGMGR_PARTNO_SIZE + 1],
                                               char part_revision[UF_UGMGR_PARTREV_SIZE + 1],
                                               char part_file_type[UF_UGMGR_FTYPE_SIZE + 1],
                                               char part_file_name[UF_UGMGR_FNAME_SIZE + 1]) {
    return guarded("UF_UGMGR_decode_part_filename", true, [&](Host &) {
        if (encoded_name == nullptr || part_number == nullptr || part_revision == nullptr ||
            part_file_type == nullptr || part_file_name == nullptr)
            return code::kInvalidArgument;
        std::string s = encoded_name;
        std::string number, revision, type = "master", name;
        if (s.rfind("@DB/", 0) == 0) {
            std::vector<std::string> fields;
            size_t start = 4;
            for (;;) {
                size_t slash = s.find('/', start);
                fields.push_back(s.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
                if (slash == std::string::npos) break;
                start = slash + 1;
            }
            if (fields.size() != 2 && fields.size() != 4) return code::kDecode;
            number = fields[0];
            revision = fields[1];
            if (fields.size() == 4) {
                type = fields[2];
                name = fields[3];
            }
        } else {
            // A native file: its number is the file's name without folder and extension.
            size_t slash = s.find_last_of("\\/:");
            number = slash == std::string::npos ? s : s.substr(slash + 1);
            size_t dot = number.rfind('.');
            if (dot != std::string::npos) number.erase(dot);
            name = number;
        }
        if (number.empty()) return code::kDecode;
        copy_text(part_number, UF_UGMGR_PARTNO_SIZE + 1, number);
        copy_text(part_revision, UF_UGMGR_PARTREV_SIZE + 1, revision);
        copy_text(part_file_type, UF_UGMGR_FTYPE_SIZE + 1, type);
        copy_text(part_file_name, UF_UGMGR_FNAME_SIZE + 1, name);
        return 0;
    });
}

}  // extern "C"
