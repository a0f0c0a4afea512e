// HLA 1.3 RTI ambassador services implemented by this RTI. Included inside
// class RTI::RTIambassador by RTI.hh.
#ifndef VOLAX_RTI_BASETYPES_HH_INSIDE
#error "include RTI.hh, not RTIambServices.hh"
#endif


// Federation management
void createFederationExecution(const char* executionName, const char* FEDid);
void destroyFederationExecution(const char* executionName);
FederateHandle joinFederationExecution(const char* yourName, const char* executionName,
                                       FederateAmbassadorPtr federateAmbassadorReference);
void resignFederationExecution(ResignAction theAction);

// Declaration management
void publishObjectClass(ObjectClassHandle theClass, const AttributeHandleSet& attributeList);
void unpublishObjectClass(ObjectClassHandle theClass);
void publishInteractionClass(InteractionClassHandle theInteraction);
void unpublishInteractionClass(InteractionClassHandle theInteraction);
void subscribeObjectClassAttributes(ObjectClassHandle theClass, const AttributeHandleSet& attributeList,
                                    Boolean active = RTI_TRUE);
void unsubscribeObjectClass(ObjectClassHandle theClass);
void subscribeInteractionClass(InteractionClassHandle theClass, Boolean active = RTI_TRUE);
void unsubscribeInteractionClass(InteractionClassHandle theClass);

// Object management
ObjectHandle registerObjectInstance(ObjectClassHandle theClass, const char* theObject);
ObjectHandle registerObjectInstance(ObjectClassHandle theClass);
EventRetractionHandle updateAttributeValues(ObjectHandle theObject, const AttributeHandleValuePairSet& theAttributes,
                                            const FedTime& theTime, const char* theTag);
void updateAttributeValues(ObjectHandle theObject, const AttributeHandleValuePairSet& theAttributes,
                           const char* theTag);
EventRetractionHandle sendInteraction(InteractionClassHandle theInteraction,
                                      const ParameterHandleValuePairSet& theParameters, const FedTime& theTime,
                                      const char* theTag);
void sendInteraction(InteractionClassHandle theInteraction, const ParameterHandleValuePairSet& theParameters,
                     const char* theTag);
EventRetractionHandle deleteObjectInstance(ObjectHandle theObject, const FedTime& theTime, const char* theTag);
void deleteObjectInstance(ObjectHandle theObject, const char* theTag);
void requestObjectAttributeValueUpdate(ObjectHandle theObject, const AttributeHandleSet& theAttributes);
void requestClassAttributeValueUpdate(ObjectClassHandle theClass, const AttributeHandleSet& theAttributes);

// Support services. Returned texts are new[]-allocated; the caller delete[]s them.
ObjectClassHandle getObjectClassHandle(const char* theName);
char* getObjectClassName(ObjectClassHandle theHandle);
AttributeHandle getAttributeHandle(const char* theName, ObjectClassHandle whichClass);
char* getAttributeName(AttributeHandle theHandle, ObjectClassHandle whichClass);
InteractionClassHandle getInteractionClassHandle(const char* theName);
char* getInteractionClassName(InteractionClassHandle theHandle);
ParameterHandle getParameterHandle(const char* theName, InteractionClassHandle whichClass);
char* getParameterName(ParameterHandle theHandle, InteractionClassHandle whichClass);
ObjectHandle getObjectInstanceHandle(const char* theName);
char* getObjectInstanceName(ObjectHandle theHandle);
ObjectClassHandle getObjectClass(ObjectHandle theObject);

// Callback delivery: every callback arrives inside tick(), on the calling thread.
Boolean tick();
Boolean tick(TickTime minimum, TickTime maximum);
