// The HLA 1.3 C++ API ("1.3 NG"), as implemented by the embedded VOLAX RTI
// (libRTI-NG). Source-compatible with production HLA 1.3 RTIs: RTI is a class
// used as a namespace, never a C++ namespace.
#ifndef RTI_hh
#define RTI_hh

#include <iosfwd>

#define RTI_VERSION "1.3NG-volax"

class RTI {
public:
#define VOLAX_RTI_BASETYPES_HH_INSIDE
#include "baseTypes.hh"
#include "RTItypes.hh"

    class RTIambassador {
    public:
#include "RTIambServices.hh"

        RTIambassador();
        ~RTIambassador();

        RTIambassador(const RTIambassador&) = delete;
        RTIambassador& operator=(const RTIambassador&) = delete;

        struct PrivateRefs;
        PrivateRefs* privateRefs;
    };

    class FederateAmbassador {
    public:
        FederateAmbassador() {}
#include "federateAmbServices.hh"
    };
#undef VOLAX_RTI_BASETYPES_HH_INSIDE
};

std::ostream& operator<<(std::ostream& os, const RTI::Exception& ex);
std::ostream& operator<<(std::ostream& os, const RTI::Exception* ex);

#endif
