// open-dis (npm), an implementation of IEEE 1278.1 written for the standard, against
// VOLAX's DIS codec, for protocol versions 6 and 7: open-dis decodes what our encoder
// writes, and our decoder reads what open-dis encodes, field by field.
// Usage: node check.js PATH/TO/dis_codec_tool 6|7 (one version a process: both builds
// of open-dis share one global namespace).
'use strict';
const { execFileSync } = require('child_process');
const assert = require('assert');

const tool = process.argv[2];
const version = Number(process.argv[3]);
assert.ok(version === 6 || version === 7, 'version 6 or 7');
const dis = require(`open-dis/dist/dis${version}.min.js`);
const f = Math.fround;

// The two builds name some members differently.
const [SITE, APP, ENTITY] = version === 7 ? ['siteID', 'applicationID', 'entityID'] : ['site', 'application', 'entity'];
// The sixth member of an entity type, whatever the build calls it.
const SPECIFIC = Object.keys(new dis.EntityType())[5];
assert.ok(SPECIFIC.startsWith('spe'), `entity type's sixth member: ${SPECIFIC}`);
const id = (e) => [e[SITE], e[APP], e[ENTITY]];
const type = (t) => [t.entityKind, t.domain, t.country, t.category, t.subcategory, t[SPECIFIC], t.extra];
const vec = (v) => [f(v.x), f(v.y), f(v.z)];
const world = (v) => [v.x, v.y, v.z];
const pastHour = (c, version) => (version === 7 ? c.timePastHour.timestamp : c.timePastHour);

// An open-dis PDU in the shape dis_codec_tool prints.
function shape(p, version) {
  const h = { version: p.protocolVersion, exercise: p.exerciseID, type: p.pduType, timestamp: p.timestamp };
  if (p.pduType === 1) {
    const dr = p.deadReckoningParameters;
    return Object.assign(h, {
      entityID: id(p.entityID), forceId: p.forceId,
      entityType: type(p.entityType), alternativeEntityType: type(p.alternativeEntityType),
      velocity: vec(p.entityLinearVelocity), location: world(p.entityLocation),
      orientation: [f(p.entityOrientation.psi), f(p.entityOrientation.theta), f(p.entityOrientation.phi)],
      appearance: p.entityAppearance >>> 0, algorithm: dr.deadReckoningAlgorithm,
      acceleration: vec(dr.entityLinearAcceleration), angularVelocity: vec(dr.entityAngularVelocity),
      marking: [p.marking.characterSet].concat(p.marking.characters), capabilities: p.capabilities >>> 0,
    });
  }
  if (p.pduType === 3) {
    const m = version === 7 ? p.descriptor : p.burstDescriptor;
    const ev = version === 7 ? [p.eventID.simulationAddress.site, p.eventID.simulationAddress.application, p.eventID.eventNumber]
                             : [p.eventID.site, p.eventID.application, p.eventID.eventNumber];
    return Object.assign(h, {
      firing: id(p.firingEntityID), target: id(p.targetEntityID),
      munition: id(version === 7 ? p.explodingEntityID : p.munitionID), event: ev,
      velocity: vec(p.velocity), location: world(p.locationInWorldCoordinates),
      munitionType: type(version === 7 ? m.munitionType : m.munition),
      descriptor: [m.warhead, m.fuse, m.quantity, m.rate],
      relative: vec(version === 7 ? p.locationOfEntityCoordinates : p.locationInEntityCoordinates),
      result: p.detonationResult,
    });
  }
  return Object.assign(h, {
    originating: id(p.originatingEntityID), receiving: id(p.receivingEntityID),
    realWorldTime: [p.realWorldTime.hour, pastHour(p.realWorldTime, version)],
    simulationTime: [p.simulationTime.hour, pastHour(p.simulationTime, version)],
    requestID: p.requestID,
  });
}

const classes = { 1: 'EntityStatePdu', 3: 'DetonationPdu', 13: 'StartResumePdu' };
const sizes = { 1: 144, 3: 104, 13: 44 };

function openDisDecode(dis, bytes) {
  const ab = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
  const pdu = new dis[classes[bytes[2]]]();
  pdu.initFromBinary(new dis.InputStream(ab));
  return pdu;
}

function setId(e, v) { [e[SITE], e[APP], e[ENTITY]] = v; }
function setType(t, v) { [t.entityKind, t.domain, t.country, t.category, t.subcategory, t[SPECIFIC], t.extra] = v; }
function setVec(o, v) { [o.x, o.y, o.z] = v; }

// PDUs open-dis builds for our decoder, with values other than our encoder's.
function build(dis, version) {
  const head = (p, t) => {
    p.protocolVersion = version; p.exerciseID = 7; p.timestamp = 0x12345679;
    if (version === 7) p.length = sizes[t]; else p.pduLength = sizes[t];
  };
  const es = new dis.EntityStatePdu();
  head(es, 1);
  setId(es.entityID, [300, 400, 500]); es.forceId = 2;
  setType(es.entityType, [1, 2, 13, 3, 1, 2, 0]); setType(es.alternativeEntityType, [1, 2, 13, 3, 1, 0, 0]);
  setVec(es.entityLinearVelocity, [f(55.5), f(-1.25), f(7.75)]);
  setVec(es.entityLocation, [-2694043.25, -4297428.125, 3854884.5]);
  es.entityOrientation.psi = f(-2.5); es.entityOrientation.theta = f(0.125); es.entityOrientation.phi = f(-0.5);
  es.entityAppearance = (2 << 3) | (1 << 21);
  es.deadReckoningParameters.deadReckoningAlgorithm = 4;
  setVec(es.deadReckoningParameters.entityLinearAcceleration, [f(1.5), f(2.5), f(-3.5)]);
  setVec(es.deadReckoningParameters.entityAngularVelocity, [f(0.1), f(-0.2), f(0.3)]);
  es.marking.characterSet = 1;
  es.marking.characters = Array.from('N172SP\0\0\0\0\0', (c) => c.charCodeAt(0));
  es.capabilities = 3;

  const det = new dis.DetonationPdu();
  head(det, 3);
  setId(det.firingEntityID, [9, 8, 7]); setId(det.targetEntityID, [300, 400, 500]);
  setId(version === 7 ? det.explodingEntityID : det.munitionID, [9, 8, 6]);
  if (version === 7) { det.eventID.simulationAddress.site = 9; det.eventID.simulationAddress.application = 8; }
  else { det.eventID.site = 9; det.eventID.application = 8; }
  det.eventID.eventNumber = 1234;
  setVec(det.velocity, [f(-300.5), f(0), f(12)]);
  setVec(det.locationInWorldCoordinates, [-2694040.5, -4297420.25, 3854880.75]);
  const m = version === 7 ? det.descriptor : det.burstDescriptor;
  setType(version === 7 ? m.munitionType : m.munition, [2, 9, 225, 2, 1, 0, 0]);
  m.warhead = 5000; m.fuse = 1200; m.quantity = 1; m.rate = 0;
  setVec(version === 7 ? det.locationOfEntityCoordinates : det.locationInEntityCoordinates, [f(-4.5), f(3), f(0.25)]);
  det.detonationResult = 5;

  const sr = new dis.StartResumePdu();
  head(sr, 13);
  setId(sr.originatingEntityID, [9, 8, 0]); setId(sr.receivingEntityID, [65535, 65535, 65535]);
  sr.realWorldTime.hour = 493000; sr.simulationTime.hour = 480123;
  if (version === 7) { sr.realWorldTime.timePastHour.timestamp = 1001; sr.simulationTime.timePastHour.timestamp = 0x7ffffff1; }
  else { sr.realWorldTime.timePastHour = 1001; sr.simulationTime.timePastHour = 0x7ffffff1; }
  sr.requestID = 99;
  return [es, det, sr];
}

let checks = 0;
{
  // Our bytes, open-dis's reading.
  const lines = execFileSync(tool, ['encode', String(version)]).toString().trim().split('\n');
  assert.strictEqual(lines.length, 3);
  for (const line of lines) {
    const space = line.indexOf(' ');
    const bytes = Buffer.from(line.slice(0, space), 'hex');
    const sent = JSON.parse(line.slice(space + 1));
    const pdu = openDisDecode(dis, bytes);
    assert.strictEqual(version === 7 ? pdu.length : pdu.pduLength, bytes.length, `DIS ${version} type ${bytes[2]} length`);
    assert.deepStrictEqual(shape(pdu, version), sent, `DIS ${version} type ${bytes[2]}: open-dis reads other values`);
    checks++;
  }
  // open-dis's bytes, our reading.
  const built = build(dis, version);
  const hex = built.map((p) => {
    const out = new dis.OutputStream(new ArrayBuffer(1500));
    p.encodeToBinary(out);
    return Buffer.from(out.toByteArray()).toString('hex');
  });
  const read = execFileSync(tool, ['decode'], { input: hex.join('\n') + '\n' }).toString().trim().split('\n');
  built.forEach((p, i) => {
    assert.deepStrictEqual(JSON.parse(read[i]), shape(p, version), `DIS ${version} type ${p.pduType}: we read other values`);
    checks++;
  });
}
console.log(`open-dis agrees with VOLAX on ${checks} PDUs of DIS ${version}`);
