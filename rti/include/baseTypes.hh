// HLA 1.3 base types. Included inside class RTI by RTI.hh.
#ifndef VOLAX_RTI_BASETYPES_HH_INSIDE
#error "include RTI.hh, not baseTypes.hh"
#endif

typedef unsigned short UShort;
typedef short Short;
typedef unsigned int ULong;
typedef int Long;
typedef double Double;
typedef float Float;

enum Boolean { RTI_FALSE = 0, RTI_TRUE };

class Exception {
public:
    ULong _serial;
    const char* _reason;
    const char* _name;

    Exception(const char* reason);
    Exception(ULong serial, const char* reason);
    Exception(const Exception& other);
    virtual ~Exception();
    Exception& operator=(const Exception& other);

protected:
    // Copies the reason so that the exception owns it whatever the thrower's buffer did.
    void setReason(const char* reason);
};

#define RTI_EXCEPT(A)                                                       \
    class A : public Exception {                                            \
    public:                                                                 \
        A(const char* reason) : Exception(reason) { _name = #A; }           \
        A(ULong serial, const char* reason) : Exception(serial, reason) {   \
            _name = #A;                                                     \
        }                                                                   \
        A(const A& other) : Exception(other) { _name = #A; }                \
        A& operator=(const A& other) {                                      \
            Exception::operator=(other);                                    \
            _name = #A;                                                     \
            return *this;                                                   \
        }                                                                   \
    };
