// HLA 1.3 types, exceptions, sets and time. Included inside class RTI by RTI.hh.
#ifndef VOLAX_RTI_BASETYPES_HH_INSIDE
#error "include RTI.hh, not RTItypes.hh"
#endif

RTI_EXCEPT(ArrayIndexOutOfBounds)
RTI_EXCEPT(AsynchronousDeliveryAlreadyDisabled)
RTI_EXCEPT(AsynchronousDeliveryAlreadyEnabled)
RTI_EXCEPT(AttributeAcquisitionWasNotRequested)
RTI_EXCEPT(AttributeAcquisitionWasNotCanceled)
RTI_EXCEPT(AttributeAlreadyBeingAcquired)
RTI_EXCEPT(AttributeAlreadyBeingDivested)
RTI_EXCEPT(AttributeAlreadyOwned)
RTI_EXCEPT(AttributeDivestitureWasNotRequested)
RTI_EXCEPT(AttributeNotDefined)
RTI_EXCEPT(AttributeNotKnown)
RTI_EXCEPT(AttributeNotOwned)
RTI_EXCEPT(AttributeNotPublished)
RTI_EXCEPT(ConcurrentAccessAttempted)
RTI_EXCEPT(CouldNotDiscover)
RTI_EXCEPT(CouldNotOpenFED)
RTI_EXCEPT(CouldNotRestore)
RTI_EXCEPT(DeletePrivilegeNotHeld)
RTI_EXCEPT(DimensionNotDefined)
RTI_EXCEPT(EnableTimeConstrainedPending)
RTI_EXCEPT(EnableTimeConstrainedWasNotPending)
RTI_EXCEPT(EnableTimeRegulationPending)
RTI_EXCEPT(EnableTimeRegulationWasNotPending)
RTI_EXCEPT(ErrorReadingFED)
RTI_EXCEPT(EventNotKnown)
RTI_EXCEPT(FederateAlreadyExecutionMember)
RTI_EXCEPT(FederateInternalError)
RTI_EXCEPT(FederateLoggingServiceCalls)
RTI_EXCEPT(FederateNotExecutionMember)
RTI_EXCEPT(FederateOwnsAttributes)
RTI_EXCEPT(FederateWasNotAskedToReleaseAttribute)
RTI_EXCEPT(FederatesCurrentlyJoined)
RTI_EXCEPT(FederationExecutionAlreadyExists)
RTI_EXCEPT(FederationExecutionDoesNotExist)
RTI_EXCEPT(FederationTimeAlreadyPassed)
RTI_EXCEPT(HandleValuePairMaximumExceeded)
RTI_EXCEPT(InteractionClassNotDefined)
RTI_EXCEPT(InteractionClassNotKnown)
RTI_EXCEPT(InteractionClassNotPublished)
RTI_EXCEPT(InteractionClassNotSubscribed)
RTI_EXCEPT(InteractionParameterNotDefined)
RTI_EXCEPT(InteractionParameterNotKnown)
RTI_EXCEPT(InvalidExtents)
RTI_EXCEPT(InvalidFederationTime)
RTI_EXCEPT(InvalidHandleValuePairSetContext)
RTI_EXCEPT(InvalidLookahead)
RTI_EXCEPT(InvalidOrderingHandle)
RTI_EXCEPT(InvalidRegionContext)
RTI_EXCEPT(InvalidResignAction)
RTI_EXCEPT(InvalidRetractionHandle)
RTI_EXCEPT(InvalidTransportationHandle)
RTI_EXCEPT(MemoryExhausted)
RTI_EXCEPT(NameNotFound)
RTI_EXCEPT(ObjectClassNotDefined)
RTI_EXCEPT(ObjectClassNotKnown)
RTI_EXCEPT(ObjectClassNotPublished)
RTI_EXCEPT(ObjectClassNotSubscribed)
RTI_EXCEPT(ObjectNotKnown)
RTI_EXCEPT(ObjectAlreadyRegistered)
RTI_EXCEPT(OwnershipAcquisitionPending)
RTI_EXCEPT(RegionInUse)
RTI_EXCEPT(RegionNotKnown)
RTI_EXCEPT(RestoreInProgress)
RTI_EXCEPT(RestoreNotRequested)
RTI_EXCEPT(RTIinternalError)
RTI_EXCEPT(SpaceNotDefined)
RTI_EXCEPT(SaveInProgress)
RTI_EXCEPT(SaveNotInitiated)
RTI_EXCEPT(SpecifiedSaveLabelDoesNotExist)
RTI_EXCEPT(SynchronizationPointLabelWasNotAnnounced)
RTI_EXCEPT(TimeAdvanceAlreadyInProgress)
RTI_EXCEPT(TimeAdvanceWasNotInProgress)
RTI_EXCEPT(TimeConstrainedAlreadyEnabled)
RTI_EXCEPT(TimeConstrainedWasNotEnabled)
RTI_EXCEPT(TimeRegulationAlreadyEnabled)
RTI_EXCEPT(TimeRegulationWasNotEnabled)
RTI_EXCEPT(UnableToPerformSave)
RTI_EXCEPT(ValueCountExceeded)
RTI_EXCEPT(ValueLengthExceeded)

enum ResignAction {
    RELEASE_ATTRIBUTES = 1,
    DELETE_OBJECTS,
    DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES,
    NO_ACTION
};

class Region;
class FederateAmbassador;
typedef FederateAmbassador* FederateAmbassadorPtr;

typedef ULong ObjectClassHandle;
typedef ULong InteractionClassHandle;
typedef ULong FederateHandle;
typedef ULong ExtentIndex;
typedef ULong FederateID;
typedef ULong UniqueID;
typedef ULong RegionToken;
typedef ULong Handle;
typedef Handle AttributeHandle;
typedef Handle ParameterHandle;
typedef Handle ObjectHandle;
typedef Handle DimensionHandle;
typedef Handle TransportationHandle;
typedef Handle OrderingHandle;
typedef TransportationHandle TransportType;
typedef OrderingHandle OrderType;
typedef Long SpaceHandle;
typedef Double TickTime;

struct EventRetractionHandle_s {
    UniqueID theSerialNumber;
    FederateHandle sendingFederate;
};
typedef struct EventRetractionHandle_s EventRetractionHandle;

class AttributeHandleValuePairSet {
public:
    virtual ~AttributeHandleValuePairSet() {}
    virtual ULong size() const = 0;
    virtual Handle getHandle(ULong i) const = 0;
    virtual ULong getValueLength(ULong i) const = 0;
    virtual void getValue(ULong i, char* buff, ULong& valueLength) const = 0;
    virtual char* getValuePointer(ULong i, ULong& valueLength) const = 0;
    virtual TransportType getTransportType(ULong i) const = 0;
    virtual OrderType getOrderType(ULong i) const = 0;
    virtual Region* getRegion(ULong i) const = 0;
    virtual void add(Handle h, const char* buff, ULong valueLength) = 0;
    virtual void remove(Handle h) = 0;
    virtual void moveFrom(const AttributeHandleValuePairSet& ahvps, ULong& i) = 0;
    virtual void empty() = 0;
    virtual ULong start() const = 0;
    virtual ULong valid(ULong i) const = 0;
    virtual ULong next(ULong i) const = 0;
};

class AttributeSetFactory {
public:
    static AttributeHandleValuePairSet* create(ULong count);
};

class AttributeHandleSet {
public:
    virtual ~AttributeHandleSet() {}
    virtual ULong size() const = 0;
    virtual AttributeHandle getHandle(ULong i) const = 0;
    virtual void add(AttributeHandle h) = 0;
    virtual void remove(AttributeHandle h) = 0;
    virtual void empty() = 0;
    virtual Boolean isEmpty() const = 0;
    virtual Boolean isMember(AttributeHandle h) const = 0;
};

class AttributeHandleSetFactory {
public:
    static AttributeHandleSet* create(ULong count);
};

class FederateHandleSet {
public:
    virtual ~FederateHandleSet() {}
    virtual ULong size() const = 0;
    virtual FederateHandle getHandle(ULong i) const = 0;
    virtual void add(FederateHandle h) = 0;
    virtual void remove(FederateHandle h) = 0;
    virtual void empty() = 0;
    virtual Boolean isMember(FederateHandle h) const = 0;
};

class FederateHandleSetFactory {
public:
    static FederateHandleSet* create(ULong count);
};

class ParameterHandleValuePairSet {
public:
    virtual ~ParameterHandleValuePairSet() {}
    virtual ULong size() const = 0;
    virtual Handle getHandle(ULong i) const = 0;
    virtual ULong getValueLength(ULong i) const = 0;
    virtual void getValue(ULong i, char* buff, ULong& valueLength) const = 0;
    virtual char* getValuePointer(ULong i, ULong& valueLength) const = 0;
    virtual TransportType getTransportType() const = 0;
    virtual OrderType getOrderType() const = 0;
    virtual Region* getRegion() const = 0;
    virtual void add(Handle h, const char* buff, ULong valueLength) = 0;
    virtual void remove(Handle h) = 0;
    virtual void moveFrom(const ParameterHandleValuePairSet& phvps, ULong& i) = 0;
    virtual void empty() = 0;
    virtual ULong start() const = 0;
    virtual ULong valid(ULong i) const = 0;
    virtual ULong next(ULong i) const = 0;
};

class ParameterSetFactory {
public:
    static ParameterHandleValuePairSet* create(ULong count);
};

class Region {
public:
    virtual ~Region() {}
    virtual ULong getRangeLowerBound(ExtentIndex theExtent, DimensionHandle theDimension) const = 0;
    virtual ULong getRangeUpperBound(ExtentIndex theExtent, DimensionHandle theDimension) const = 0;
    virtual void setRangeLowerBound(ExtentIndex theExtent, DimensionHandle theDimension, ULong theLowerBound) = 0;
    virtual void setRangeUpperBound(ExtentIndex theExtent, DimensionHandle theDimension, ULong theUpperBound) = 0;
    virtual SpaceHandle getSpaceHandle() const = 0;
    virtual ULong getNumberOfExtents() const = 0;
    virtual ULong getRangeLowerBoundNotificationLimit(ExtentIndex theExtent, DimensionHandle theDimension) const = 0;
    virtual ULong getRangeUpperBoundNotificationLimit(ExtentIndex theExtent, DimensionHandle theDimension) const = 0;
};

class FedTime {
public:
    virtual ~FedTime() {}
    virtual void setZero() = 0;
    virtual Boolean isZero() = 0;
    virtual void setEpsilon() = 0;
    virtual void setPositiveInfinity() = 0;
    virtual Boolean isPositiveInfinity() = 0;
    virtual FedTime& operator+=(const FedTime&) = 0;
    virtual FedTime& operator-=(const FedTime&) = 0;
    virtual Boolean operator<=(const FedTime&) const = 0;
    virtual Boolean operator<(const FedTime&) const = 0;
    virtual Boolean operator>=(const FedTime&) const = 0;
    virtual Boolean operator>(const FedTime&) const = 0;
    virtual Boolean operator==(const FedTime&) const = 0;
    virtual FedTime& operator=(const FedTime&) = 0;
    virtual int encodedLength() const = 0;
    virtual void encode(char* buff) const = 0;
    virtual int getPrintableLength() const = 0;
    virtual void getPrintableString(char*) = 0;
};

class FedTimeFactory {
public:
    static FedTime* makeZero();
    static FedTime* decode(const char* buf);
};
