// A concrete federation time: a double. VOLAX uses no time management; the type
// exists because timestamped callbacks and services take an RTI::FedTime.
#ifndef fedtime_hh
#define fedtime_hh

#include "RTI.hh"

class RTIfedTime : public RTI::FedTime {
public:
    RTIfedTime();
    RTIfedTime(const RTI::Double& value);
    RTIfedTime(const RTI::FedTime& other);
    RTIfedTime(const RTIfedTime& other);
    ~RTIfedTime() override;

    void setZero() override;
    RTI::Boolean isZero() override;
    void setEpsilon() override;
    void setPositiveInfinity() override;
    RTI::Boolean isPositiveInfinity() override;
    RTI::FedTime& operator+=(const RTI::FedTime&) override;
    RTI::FedTime& operator-=(const RTI::FedTime&) override;
    RTI::Boolean operator<=(const RTI::FedTime&) const override;
    RTI::Boolean operator<(const RTI::FedTime&) const override;
    RTI::Boolean operator>=(const RTI::FedTime&) const override;
    RTI::Boolean operator>(const RTI::FedTime&) const override;
    RTI::Boolean operator==(const RTI::FedTime&) const override;
    RTI::FedTime& operator=(const RTI::FedTime&) override;
    RTIfedTime& operator=(const RTIfedTime&);
    int encodedLength() const override;
    void encode(char* buff) const override;
    int getPrintableLength() const override;
    void getPrintableString(char*) override;

    RTI::Double getTime() const { return _fedTime; }

private:
    RTI::Double _fedTime;
};

#endif
