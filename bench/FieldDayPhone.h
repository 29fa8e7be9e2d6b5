#pragma once

#include <QString>
#include <atomic>
#include <string>
#include <vector>

// The field day's template as the catalog keys it: Site (dropdown, the group), Tag (text: which
// phone filled the evaluation in, and its number there), Visited (date) and the question
// "Counted" whose only answer is 1, so that a report's total counts the evaluations.
struct FieldDayForm {
    std::string file; // the template file on the unit
    qint64 site = 0;
    qint64 sites[2] = {0, 0};
    qint64 tag = 0;
    qint64 visited = 0;
    qint64 counted = 0;
};

// One PC's web unit as its phones reach it: over HTTPS, trusting that PC's authority.
struct PhoneTarget {
    quint16 port = 0;
    std::string token;
    std::string authorityFile;
    std::atomic<int>* inFlight = nullptr; // requests to this PC under way, when counted
};

// What one phone met while sending; only its own thread writes it.
struct PhoneTally {
    std::vector<double> answerMs;       // every answer of the PC, refusals included
    std::vector<double> acknowledgedMs; // from the first try to the acknowledgement
    int connectionErrors = 0;           // no answer: sent again
    int serverErrors = 0;               // a 5xx answer: sent again
    int alreadyReceived = 0;            // a resend that the PC had stored before
    std::vector<int> unacknowledged;    // refused, or given up after every try
    std::vector<std::string> refusals;  // answered 4xx: the bench's or the server's fault
};

namespace FieldDayPhone {

// The Tag of the phone's evaluation of that number, e.g. "P07-E13".
QString tag(int phone, int number);
// The body that the page sends for it.
std::string evaluation(const FieldDayForm& form, int phone, int number, const std::string& id);

// Sends count evaluations one after another, a moment apart as a user fills them in. Like the
// page, it sends an evaluation again, with the same id, after a connection error or a 5xx
// answer; it gives up on one after a bounded number of tries or when stop is set.
void send(const PhoneTarget& target, const FieldDayForm& form, int phone, int count, unsigned seed,
          const std::atomic<bool>& stop, std::atomic<int>& acknowledged, PhoneTally& tally);

// The status of GET /api/templates with the token, from a phone that trusts the authority in
// that file; 0 when the connection fails (a server that the authority does not vouch for).
int templatesStatus(const PhoneTarget& target);

} // namespace FieldDayPhone
